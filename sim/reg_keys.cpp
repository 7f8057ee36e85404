// The simulated registry's keys: a compact list of subkeys per key, found
// through a table of positions once a key has many, enumerated through an
// order made when first asked for and dropped at the next change.
#include <algorithm>
#include <cstring>

#include "machine.h"

namespace sim {

struct RegKey::Subkeys {
  static const size_t kChunk = 256;        // entries; every chunk but the last is full
  static const size_t kIndexedFrom = 16;   // entries; fewer are looked along
  static const size_t kInside = 6;         // the longest name kept in the entry itself
  static const uint16_t kLong = 0xFFFF;    // past Windows' limit, but the simulator's API takes any name

  struct Entry {
    RegKey key;
    char name[kInside];  // the name, or for a longer one its offset in `text`
    uint16_t size;       // kLong: its size lies in `text` before it
  };

  explicit Subkeys(int page) : codePage(page) {}

  std::vector<std::vector<Entry>> chunks;  // in the order added; no entry moves while others are added
  size_t count = 0;
  std::string text;  // names longer than kInside, one after another
  // Open addressing, linear probing: position + 1 of an entry, 0 for none;
  // at most three quarters full. Empty while the key has few subkeys.
  std::vector<uint32_t> index;
  mutable std::vector<uint32_t> order;  // positions in enumeration order; empty until asked for
  int codePage;                         // names are compared in

  Entry& At(size_t i) { return chunks[i / kChunk][i % kChunk]; }
  const Entry& At(size_t i) const { return chunks[i / kChunk][i % kChunk]; }

  std::string_view Name(const Entry& e) const {
    if (e.size <= kInside) return std::string_view(e.name, e.size);
    uint32_t at, size = e.size;
    std::memcpy(&at, e.name, sizeof at);
    if (e.size == kLong) std::memcpy(&size, text.data() + at, sizeof size), at += sizeof size;
    return std::string_view(text).substr(at, size);
  }

  size_t Slot(std::string_view name, size_t* position) const {
    const size_t mask = index.size() - 1;
    for (size_t slot = FoldedHash(codePage, name) & mask;; slot = (slot + 1) & mask) {
      *position = index[slot];
      if (!*position || FoldedEqual(codePage, Name(At(*position - 1)), name)) return slot;
    }
  }

  void Reindex() {
    index.clear();
    if (count < kIndexedFrom) return;
    size_t slots = 64;
    while (3 * slots < 4 * count + 4) slots *= 2;
    index.assign(slots, 0);
    size_t position;
    for (size_t i = 0; i < count; ++i) index[Slot(Name(At(i)), &position)] = static_cast<uint32_t>(i + 1);
  }

  size_t Position(std::string_view name) const {  // position + 1, 0 for none
    if (!index.empty()) {
      size_t position;
      Slot(name, &position);
      return position;
    }
    for (size_t i = 0; i < count; ++i)
      if (FoldedEqual(codePage, Name(At(i)), name)) return i + 1;
    return 0;
  }

  RegKey* Add(std::string_view name) {
    if (count % kChunk == 0 && count / kChunk == chunks.size()) {
      chunks.emplace_back();
      if (count) chunks.back().reserve(kChunk);  // the first grows as the key does
    }
    Entry e{RegKey(), {}, static_cast<uint16_t>(name.size() < kLong ? name.size() : kLong)};
    if (name.size() <= kInside) {
      std::memcpy(e.name, name.data(), name.size());
    } else {
      const uint32_t at = static_cast<uint32_t>(text.size());
      std::memcpy(e.name, &at, sizeof at);
      const uint32_t size = static_cast<uint32_t>(name.size());
      if (e.size == kLong) text.append(reinterpret_cast<const char*>(&size), sizeof size);
      text.append(name);
    }
    chunks.back().push_back(std::move(e));
    ++count;
    order.clear();
    if (count >= kIndexedFrom) {
      if (3 * index.size() < 4 * count + 4) {
        Reindex();
      } else {
        size_t position;
        index[Slot(name, &position)] = static_cast<uint32_t>(count);
      }
    }
    return &chunks.back().back().key;
  }

  bool Erase(std::string_view name) {
    const size_t found = Position(name);
    if (!found) return false;
    // The entries after it move up one place, across chunks; its name's
    // text is left where it was.
    for (size_t i = found - 1; i + 1 < count; ++i) At(i) = std::move(At(i + 1));
    chunks.back().pop_back();
    if (chunks.back().empty()) chunks.pop_back();
    --count;
    order.clear();
    Reindex();
    return true;
  }

  const Entry& InOrder(size_t i) const {
    if (order.size() != count) {
      order.resize(count);
      for (size_t p = 0; p < count; ++p) order[p] = static_cast<uint32_t>(p);
      const KeyNameLess less(codePage);
      std::sort(order.begin(), order.end(),
                [this, &less](uint32_t a, uint32_t b) { return less(Name(At(a)), Name(At(b))); });
    }
    return At(order[i]);
  }
};

struct RegKey::Body {
  RegValues values;
  std::unique_ptr<Subkeys> subkeys;
};

RegKey::RegKey() = default;
RegKey::~RegKey() = default;
RegKey::RegKey(RegKey&&) noexcept = default;
RegKey& RegKey::operator=(RegKey&&) noexcept = default;

RegKey* RegKey::Find(std::string_view child, std::string_view* spelled) const {
  if (!body_ || !body_->subkeys) return nullptr;
  Subkeys& s = *body_->subkeys;
  const size_t position = s.Position(child);
  if (!position) return nullptr;
  if (spelled) *spelled = s.Name(s.At(position - 1));
  return &s.At(position - 1).key;
}

size_t RegKey::SubkeyCount() const { return body_ && body_->subkeys ? body_->subkeys->count : 0; }

RegKey* RegKey::AddSubkey(std::string_view name) {
  if (!body_) body_ = std::make_unique<Body>();
  if (!body_->subkeys) body_->subkeys = std::make_unique<Subkeys>(M().ansiCodePage);
  return body_->subkeys->Add(name);
}

bool RegKey::EraseSubkey(std::string_view name) { return body_ && body_->subkeys && body_->subkeys->Erase(name); }

std::string_view RegKey::SubkeyName(size_t index) const {
  const Subkeys& s = *body_->subkeys;
  return s.Name(s.InOrder(index));
}

const RegKey& RegKey::Subkey(size_t index) const { return body_->subkeys->InOrder(index).key; }

RegValues& RegKey::values() {
  if (!body_) body_ = std::make_unique<Body>();
  return body_->values;
}

const RegValues& RegKey::values() const {
  static const RegValues kNone;
  return body_ ? body_->values : kNone;
}

}  // namespace sim
