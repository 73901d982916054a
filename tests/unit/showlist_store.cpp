#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "showlist/store.h"

namespace {

TEST(CheckedList, EveryIndexIsChecked) {
  CheckedList<std::wstring> list;
  EXPECT_THROW(list.At(0), std::invalid_argument);
  EXPECT_THROW(list.Set(0, L"x"), std::invalid_argument);
  list.Append(L"a");
  list.Append(L"b");
  EXPECT_EQ(L"b", list.At(1));
  EXPECT_THROW(list.At(2), std::invalid_argument);
  EXPECT_THROW(list.At(-1), std::invalid_argument);
  EXPECT_THROW(list.Swap(0, 2), std::invalid_argument);
  EXPECT_THROW(list.Swap(-1, 0), std::invalid_argument);
  EXPECT_EQ(L"a", list.At(0));  // a refused exchange changes nothing
  list.Swap(0, 1);
  list.Set(1, L"c");
  EXPECT_EQ(L"b", list.At(0));
  EXPECT_EQ(L"c", list.At(1));
  list.RemoveAll();
  EXPECT_EQ(0, list.Size());
  EXPECT_THROW(list.At(0), std::invalid_argument);
}

TEST(ShowListStore, StartsEmptyWithIndicesAtZero) {
  EXPECT_EQ(0, showList.names.Size());
  EXPECT_EQ(0, showList.templates.Size());
  EXPECT_THROW(showList.templates.At(0), std::invalid_argument);
  EXPECT_THROW(showList.durations.At(0), std::invalid_argument);
  EXPECT_EQ(0, posterIndex);
  EXPECT_EQ(0, announcementIndex);
  EXPECT_FALSE(showDatabase.IsOpen());
}

}  // namespace
