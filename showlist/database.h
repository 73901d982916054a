// The connection of showDatabase to list.mdb beside the executable.
#pragma once

#include <string>

// 0 when the database is open, with one version of the file read into
// memory; -1 when it could not be opened or kept changing, with the path and
// the reason in *failure when given ("<path>: no such file"). Prints nothing.
int OpenShowDatabase(std::string* failure = nullptr);
// 0; closing a connection that is not open does nothing.
int CloseShowDatabase();
