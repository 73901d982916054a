# Authenticode signatures with osslsigncode, made when BILLORA_SIGN_CERT and
# BILLORA_SIGN_KEY name the PEM files of a code-signing certificate and of its
# private key (kept out of the repository); BILLORA_SIGN_TIMESTAMP may name a
# time-stamping server, so that signatures outlive the certificate. Without
# them nothing is signed. Used at the end of the installation into the
# packages' staging folder (tools/CMakeLists.txt) and by msi.cmake.
function(billora_sign file)
  set(cert "$ENV{BILLORA_SIGN_CERT}")
  set(key "$ENV{BILLORA_SIGN_KEY}")
  if(cert STREQUAL "" AND key STREQUAL "")
    return()
  elseif(cert STREQUAL "" OR key STREQUAL "")
    message(FATAL_ERROR "BILLORA_SIGN_CERT and BILLORA_SIGN_KEY are set together or not at all")
  endif()
  set(timestamp "")
  if(NOT "$ENV{BILLORA_SIGN_TIMESTAMP}" STREQUAL "")
    set(timestamp -ts "$ENV{BILLORA_SIGN_TIMESTAMP}")
  endif()
  file(REMOVE "${file}.signed")
  execute_process(COMMAND osslsigncode sign -certs "${cert}" -key "${key}" -h sha256 -n billora
                          ${timestamp} -in "${file}" -out "${file}.signed"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(RENAME "${file}.signed" "${file}")
endfunction()

# Every program of the installation, once stripped.
function(billora_sign_programs folder)
  file(GLOB programs "${folder}/*.exe")
  foreach(program IN LISTS programs)
    billora_sign("${program}")
  endforeach()
endfunction()
