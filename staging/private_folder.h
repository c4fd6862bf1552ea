#pragma once

// Creates the folder `name`, new, open to the current user alone and to nothing else,
// the files and folders made in it included; false when it exists already or cannot be
// closed to others. For the NT family: the security calls are looked up, since the
// Windows 95 family has none.
bool CreatePrivateFolder(const char* name);
