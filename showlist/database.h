// The connection of showDatabase to list.mdb beside the executable.
#pragma once

// 0 when the database is open, with one version of the file read into
// memory; -1 when it could not be opened or kept changing. Prints nothing.
int OpenShowDatabase();
// 0; closing a connection that is not open does nothing.
int CloseShowDatabase();
