// Numbers for keys in order of first appearance, in one flat open-addressed table. The
// welding, the edges, the UV write-out and the Surfaces number up to a few keys per corner;
// a node-based map spends most of that time allocating and chasing pointers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "base/geometry.h"

// Hash of a 64-bit integer key, spread over all bits (linear probing uses the high ones).
struct IntegerKeyHash {
  size_t operator()(uint64_t key) const { return static_cast<size_t>(hashMix(0, key)); }
};

template <typename Key, typename Hash>
class KeyNumbers {
 public:
  explicit KeyNumbers(size_t expected = 0) { reserve(expected); }

  // Room for `count` keys without growing.
  void reserve(size_t count) {
    keys_.reserve(count);
    size_t capacity = 16;
    while (capacity < 2 * count) capacity *= 2;
    if (capacity > slots_.size()) rehash(capacity);
  }

  // The number of `key`: the one it was given before, or else the next free one (the count
  // of keys so far). The flag says whether the key is new.
  std::pair<int32_t, bool> insert(const Key& key) {
    if (2 * (keys_.size() + 1) > slots_.size()) rehash(2 * slots_.size());
    const uint64_t h = Hash{}(key);
    const auto check = static_cast<uint32_t>(h);
    for (size_t i = slotOf(h);; i = (i + 1) & mask_) {
      Slot& slot = slots_[i];
      if (slot.number < 0) {
        slot = {check, static_cast<int32_t>(keys_.size())};
        keys_.push_back(key);
        return {slot.number, true};
      }
      if (slot.check == check && keys_[slot.number] == key) return {slot.number, false};
    }
  }

  // The number of `key`, or -1 when it has none.
  int32_t find(const Key& key) const {
    const uint64_t h = Hash{}(key);
    const auto check = static_cast<uint32_t>(h);
    for (size_t i = slotOf(h);; i = (i + 1) & mask_) {
      const Slot& slot = slots_[i];
      if (slot.number < 0) return -1;
      if (slot.check == check && keys_[slot.number] == key) return slot.number;
    }
  }

  size_t size() const { return keys_.size(); }

 private:
  struct Slot {
    uint32_t check = 0;   // low bits of the key's hash, compared before the key itself
    int32_t number = -1;  // -1: empty
  };

  size_t slotOf(uint64_t h) const { return static_cast<size_t>((h * 0x9E3779B97F4A7C15ull) >> shift_); }

  void rehash(size_t capacity) {
    slots_.assign(capacity, Slot{});
    mask_ = capacity - 1;
    shift_ = 64;
    for (size_t c = capacity; c > 1; c /= 2) --shift_;
    for (size_t n = 0; n < keys_.size(); ++n) {
      const uint64_t h = Hash{}(keys_[n]);
      size_t i = slotOf(h);
      while (slots_[i].number >= 0) i = (i + 1) & mask_;
      slots_[i] = {static_cast<uint32_t>(h), static_cast<int32_t>(n)};
    }
  }

  std::vector<Key> keys_;    // by number
  std::vector<Slot> slots_;  // a power of two, at most half full
  size_t mask_ = 0;
  unsigned shift_ = 64;
};
