// Shared by every fuzz target: a check that stops a run with a message when
// an invariant fails, and a reader of the pieces an input is cut into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

// Stops the run (a crash for libFuzzer, which keeps the input) when `ok` is
// false.
#define FUZZ_CHECK(ok)                                                           \
  do {                                                                           \
    if (!(ok)) {                                                                 \
      fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #ok); \
      abort();                                                                   \
    }                                                                            \
  } while (0)

// Takes an input apart from its front: single bytes, and pieces each led by
// a two-byte little-endian length (cut to what is left).
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size)
      : data_(reinterpret_cast<const char*>(data)), size_(data == nullptr ? 0 : size) {}
  bool empty() const { return at_ >= size_; }
  uint8_t Byte() { return empty() ? 0 : static_cast<uint8_t>(data_[at_++]); }
  std::string_view Piece() {
    size_t length = Byte();
    length |= static_cast<size_t>(Byte()) << 8;
    if (length > size_ - at_) length = size_ - at_;
    std::string_view piece(data_ + at_, length);
    at_ += length;
    return piece;
  }
  std::string_view Rest() {
    std::string_view rest(data_ + at_, size_ - at_);
    at_ = size_;
    return rest;
  }

 private:
  const char* data_;
  size_t size_;
  size_t at_ = 0;
};
