// Requests as they arrive on a connection, answered in order.
#include <unistd.h>

#include "platform/wire/frames.h"
#include "tools/kivo-standin/standin.h"

static int64_t messagesHandled = 0;

// Gone like a crashed viewer: the last answer out, no goodbye, the socket
// file left behind.
static void Vanish(Client& client) {
  ssize_t ignored = write(client.fd, client.out.data(), client.out.size());
  (void)ignored;
  Trace("\"event\":\"vanish\",\"messages\":" + std::to_string(messagesHandled));
  Say("vanishing after %lld messages", static_cast<long long>(messagesHandled));
  _exit(0);
}

// A registration under a number the program chose; false when the number
// is out of range or taken, or the text is not one an atom can hold.
static bool AddAtomRequest(Client& client, uint16_t atom, const std::string& text) {
  if (atom < kFirstAtom || client.atoms.count(atom) > 0 || !ValidAtomText(text)) return false;
  client.atoms[atom] = text;
  Trace("\"client\":" + std::to_string(client.id) +
        ",\"event\":\"add_atom\",\"atom\":" + std::to_string(atom) + ",\"text\":" + Json(&text));
  return true;
}

// Deleting an atom that is not registered does nothing.
static void DeleteAtomRequest(Client& client, uint16_t atom) {
  auto it = client.atoms.find(atom);
  const std::string* text = it != client.atoms.end() ? &it->second : nullptr;
  Trace("\"client\":" + std::to_string(client.id) +
        ",\"event\":\"delete_atom\",\"atom\":" + std::to_string(atom) + ",\"text\":" + Json(text));
  if (text != nullptr) client.atoms.erase(it);
}

static void SendRequest(Client& client, const unsigned char* p) {
  int32_t result =
      HandleMessage(client, GetU32(p), GetU64(p + 4), static_cast<int64_t>(GetU64(p + 12)));
  if (options.slowMs > 0) PauseMs(options.slowMs);
  client.out += WireValue(result);
  if (++messagesHandled == options.vanishAfter) Vanish(client);
}

// One request body; false when it breaks the protocol.
static bool Serve(Client& client, uint8_t op, const std::string& payload) {
  auto p = reinterpret_cast<const unsigned char*>(payload.data());
  if (op == kOpHello && payload.size() == 8) {
    bool ours = GetU32(p) == kWireMagic && GetU32(p + 4) == kWireVersion;
    client.out += WireValue(ours ? static_cast<int32_t>(kWireVersion) : 0);
  } else if (op == kOpAddAtom && payload.size() > 2) {
    return AddAtomRequest(client, GetU16(p), payload.substr(2));
  } else if (op == kOpDeleteAtom && payload.size() == 2) {
    DeleteAtomRequest(client, GetU16(p));
  } else if (op == kOpGetAtomName && payload.size() == 2) {
    const std::string* text = AtomName(client.atoms, GetU16(p));
    client.out += WireFrame(text ? *text : std::string());
  } else if (op == kOpSend && payload.size() == 20) {
    SendRequest(client, p);
  } else {
    return false;
  }
  return true;
}

bool ServeRequests(Client& client) {
  size_t at = 0;
  bool ok = true;
  while (ok && client.in.size() - at >= 4) {
    uint32_t length = GetU32(reinterpret_cast<const unsigned char*>(client.in.data() + at));
    if (length == 0 || length > kWireMaxBody) return false;
    if (client.in.size() - at - 4 < length) break;
    ok = Serve(client, static_cast<uint8_t>(client.in[at + 4]),
               client.in.substr(at + 5, length - 1));
    at += 4 + length;
  }
  client.in.erase(0, at);
  return ok;
}
