// The in-memory show list and the other process-wide globals beside it.
#pragma once

#include <climits>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/database.h"
#include "showlist/datetime.h"

// A growable list whose every access by index is checked against its size.
template <class T>
class CheckedList {
 public:
  void Append(T value) {
    if (items_.size() >= INT_MAX) throw std::length_error("list is full");
    items_.push_back(std::move(value));
  }
  const T& At(int index) const { return items_[Checked(index)]; }
  void Set(int index, T value) { items_[Checked(index)] = std::move(value); }
  int Size() const { return static_cast<int>(items_.size()); }
  void RemoveAll() { std::vector<T>().swap(items_); }
  void Swap(int i, int j) { std::swap(items_[Checked(i)], items_[Checked(j)]); }

 private:
  size_t Checked(int index) const {
    if (index < 0 || index >= Size()) throw std::invalid_argument("list index out of range");
    return static_cast<size_t>(index);
  }
  std::vector<T> items_;
};

// names, captions, visuals, dates and places are parallel (one entry per
// occurrence of a show); templates and durations are parallel (one entry per
// announcement slot in force).
struct ShowList {
  CheckedList<std::wstring> names, captions, visuals;
  CheckedList<DateTime> dates;
  CheckedList<std::wstring> places, templates;
  CheckedList<double> durations;
};

extern ShowList showList;
extern Database showDatabase;
extern int32_t posterIndex, announcementIndex;
