// Rebuilds the show list from the open showDatabase.
#pragma once

#include <string>

#include "showlist/datetime.h"

// Empties the seven lists, then appends every occurrence of table shows that
// is strictly later than now, captioned, and every slot of table annonces in
// force now. 0 when both tables were read, -1 on any failure (nothing printed;
// the lists then hold what was appended before it).
int LoadShowList();

// "Aujourd'hui à H:MM", "Demain à H:MM" or "<weekday> <day> <month> H:MM"
// relative to loadNow, then "-" and the place when the place is not empty.
std::wstring FormatDateCaption(const DateTime& occurrence, const std::wstring& place,
                               const DateTime& loadNow);
