// TUnBaseHeaderObj: the list of fixed-size header records, each with an
// optional name, that an extraction driver fills in its walk of the headers
// and then extracts from in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

namespace sorvane {

class TUnBaseHeaderObj {
public:
    // Empties the list and sets the record size (16 unless told otherwise).
    void Init(std::size_t recordSize = 16);

    // Appends a copy of the RecordSize bytes at `entry` and, when `name` is
    // given and `nameLength` is not 0, of the name's `nameLength` bytes. False
    // when `entry` is missing or memory runs out.
    bool AddItem(const void* entry, const char* name, std::uint16_t nameLength);

    // Appends a copy of the RecordSize bytes at `entry`, with no name.
    bool AddRecord(const void* entry);

    // The record at `index`. Records never move while they are in the list.
    // EArxRangeError when there is no such record.
    const std::uint8_t* GetItem(int index) const;

    // The name of the record at `index`, "" when it has none; valid while the
    // record is in the list. EArxRangeError when there is no such record.
    std::string_view GetName(int index) const;

    // Releases every record; Count := 0.
    void Clear();
    // Clears and gives the memory back.
    void Done();

    std::size_t RecordSize = 16;
    int Count = 0;

private:
    struct Item {
        std::unique_ptr<std::uint8_t[]> record;
        std::string name;
    };

    const Item& At(int index) const;

    std::deque<Item> items_; // a deque never moves its elements when it grows
};

} // namespace sorvane
