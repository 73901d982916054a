#include "showlist/store.h"

ShowList showList;
Database showDatabase;
int32_t posterIndex = 0, announcementIndex = 0;
