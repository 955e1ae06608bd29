// The host's side of storing parameters: a file of transfers, written by
// save and read back by load, with every call recorded.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "host/state.h"

namespace sandbox {

using Bytes = std::vector<std::uint8_t>;

class Store {
  public:
    SaveState saving(int mode) { return {mode, this, write}; }
    LoadState loading(int mode) { return {mode, this, read}; }

    // Every write's bytes, in order.
    std::vector<Bytes> writes;
    // What each read delivers, in order: up to the limit it is given.  A
    // read with nothing left here delivers nothing.
    std::deque<Bytes> items;
    // The limit of every read, in order.
    std::vector<int> read_limits;

    // Queues the writes for reading back, as the host's file would.
    void rewind() { items.assign(writes.begin(), writes.end()); }

    // The bytes of a text item: the text and its NUL.
    static Bytes text(const std::string &s) {
        Bytes b(s.begin(), s.end());
        b.push_back(0);
        return b;
    }

  private:
    static int write(void *data, const void *buffer, int length);
    static int read(void *data, void *buffer, int length);
};

} // namespace sandbox
