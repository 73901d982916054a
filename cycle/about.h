// What `billora --help` and `billora --version` print.
#pragma once

// True, after printing what the program is, where it finds its files and
// how to stop it, when the arguments hold --help or --version: the program
// then ends without starting. Any other argument is ignored.
bool AnswerArguments(int argc, const char* const* argv);
