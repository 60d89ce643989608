// Header record lists of the extraction drivers.
#include "archive/arxHeaderList.h"

#include "archive/arxStream.h"

#include <cstring>
#include <new>

namespace sorvane {

void TUnBaseHeaderObj::Init(std::size_t recordSize) {
    Clear();
    RecordSize = recordSize;
}

bool TUnBaseHeaderObj::AddItem(const void* entry, const char* name, std::uint16_t nameLength) {
    if (entry == nullptr) return false;
    try {
        Item item;
        item.record = std::make_unique<std::uint8_t[]>(RecordSize);
        std::memcpy(item.record.get(), entry, RecordSize);
        if (name != nullptr && nameLength != 0) item.name.assign(name, nameLength);
        items_.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
        return false;
    }
    ++Count;
    return true;
}

bool TUnBaseHeaderObj::AddRecord(const void* entry) {
    return AddItem(entry, nullptr, 0);
}

const TUnBaseHeaderObj::Item& TUnBaseHeaderObj::At(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) throw EArxRangeError();
    return items_[static_cast<std::size_t>(index)];
}

const std::uint8_t* TUnBaseHeaderObj::GetItem(int index) const {
    return At(index).record.get();
}

std::string_view TUnBaseHeaderObj::GetName(int index) const {
    return At(index).name;
}

void TUnBaseHeaderObj::Clear() {
    items_.clear();
    Count = 0;
}

void TUnBaseHeaderObj::Done() {
    Clear();
    items_.shrink_to_fit();
}

} // namespace sorvane
