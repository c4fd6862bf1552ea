#include "encoder.h"

#include "lzhuf.h"
#include "model.h"
#include "offset_code.h"

#include "checksum/crc32.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace {

// Matches reach back at most a whole ring: offset 4095 is the byte written 4096 bytes
// earlier.
constexpr uint32_t MaxDistance = RingSize;
// The parse is planned a block at a time, with the code lengths the model has when the
// block starts. Longer blocks lose less at their ends but plan with staler lengths.
constexpr uint32_t BlockSize = 4096;
// Positions tried per search, and a match long enough to end it early: past these the
// searches cost more time than their longer matches save bytes.
constexpr int ChainLimit = 32;
constexpr int NiceLength = 32;
constexpr int HashBits = 15;
constexpr int Hash3Bits = 14;
constexpr uint32_t BufferSize = MaxDistance + 4 * BlockSize + MaxMatch;

class BitWriter {
public:
  explicit BitWriter(std::FILE* output) : output_(output) {}

  // Appends the low `length` bits of `code`, most significant first.
  void Put(uint32_t code, int length) {
    pending_ = pending_ << length | code;
    pendingBits_ += length;
    while (pendingBits_ >= 8) {
      pendingBits_ -= 8;
      bytes_[used_++] = static_cast<uint8_t>(pending_ >> pendingBits_);
      if (used_ == bytes_.size()) Drain();
    }
  }

  // Pads the last byte with zero bits and hands everything to the output.
  bool Finish() {
    if (pendingBits_ > 0) Put(0, 8 - pendingBits_);
    Drain();
    return ok_;
  }

private:
  void Drain() {
    if (used_ > 0 && std::fwrite(bytes_.data(), used_, 1, output_) != 1) ok_ = false;
    used_ = 0;
  }

  std::FILE* output_;
  std::array<uint8_t, 8192> bytes_{};
  size_t used_ = 0;
  uint64_t pending_ = 0;
  int pendingBits_ = 0;
  bool ok_ = true;
};

// Emits the symbol's code as the tree stands, then adapts exactly as the decoder will
// after reading it.
void EncodeSymbol(BitWriter& bits, int symbol) {
  uint32_t code = 0;
  int length = 0;
  for (int n = NodeParent[NodeCount + symbol]; n != RootNode;) {
    const int parent = NodeParent[n];
    code |= static_cast<uint32_t>(n - NodeChild[parent]) << length;
    ++length;
    n = parent;
  }
  bits.Put(code, length);
  AdaptModel(symbol);
}

int OffsetBits(uint32_t distance) {
  return OffsetCode.Length[(distance - 1) >> 6] + 6;
}

void EncodeOffset(BitWriter& bits, uint32_t distance) {
  const uint32_t offset = distance - 1;
  bits.Put(OffsetCode.Code[offset >> 6], OffsetCode.Length[offset >> 6]);
  bits.Put(offset & 63, 6);
}

// How many bytes from `there` on equal those from `here` on, at most `limit`. Eight at a
// time where the machine's byte order lets the first difference be found from the
// lowest differing bit; `there` lies before `here`, so no read passes here + limit.
int MatchLength(const uint8_t* there, const uint8_t* here, int limit) {
  int length = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; length + 8 <= limit; length += 8) {
      uint64_t a;
      uint64_t b;
      std::memcpy(&a, there + length, 8);
      std::memcpy(&b, here + length, 8);
      if (a != b) return length + std::countr_zero(a ^ b) / 8;
    }
  }
  while (length < limit && there[length] == here[length])
    ++length;
  return length;
}

struct Step {
  uint16_t length; // 1 for a literal
  uint16_t distance;
};

class Encoder {
public:
  Encoder(std::FILE* input, uint32_t size, BitWriter& bits)
      : input_(input), size_(size), bits_(bits), data_(BufferSize), head_(1u << HashBits),
        head3_(1u << Hash3Bits), previous_(MaxDistance), firstCandidate_(BlockSize + 1),
        cost_(BlockSize + 1), via_(BlockSize + 1) {}

  bool Run() {
    for (uint32_t start = 0; start < size_; start += BlockSize) {
      const uint32_t end = std::min<uint64_t>(uint64_t{start} + BlockSize, size_);
      if (!Load(start, end)) return false;
      SearchBlock(start, end);
      CostsFromModel();
      PlanBlock(start, end);
      EmitBlock(start);
    }
    return true;
  }

  uint32_t Crc() const { return crc_; }

private:
  // Makes positions start - MaxDistance to end + MaxMatch (within the entry) present.
  bool Load(uint32_t start, uint32_t end) {
    const uint32_t want =
        static_cast<uint32_t>(std::min<uint64_t>(uint64_t{end} + MaxMatch, size_));
    if (want <= loaded_) return true;
    const uint32_t keepFrom = start > MaxDistance ? start - MaxDistance : 0;
    if (want - base_ > BufferSize) {
      std::copy(data_.begin() + (keepFrom - base_), data_.begin() + (loaded_ - base_),
                data_.begin());
      base_ = keepFrom;
    }
    while (loaded_ < want) {
      const uint32_t room = std::min<uint32_t>(BufferSize - (loaded_ - base_), size_ - loaded_);
      const size_t got = std::fread(&data_[loaded_ - base_], 1, room, input_);
      if (got == 0) return false;
      crc_ = Crc32(crc_, &data_[loaded_ - base_], got);
      loaded_ += static_cast<uint32_t>(got);
    }
    return true;
  }

  uint8_t At(uint32_t position) const { return data_[position - base_]; }

  // Three-byte prefixes keep only their latest position: the nearest source is the
  // cheapest one for a three-byte match. Longer matches are looked for along chains of
  // four-byte prefixes, which the many short repeats of machine code do not crowd.
  uint32_t Hash3(const uint8_t* p) const {
    return ((p[0] << 16 | p[1] << 8 | p[2]) * 2654435761u) >> (32 - Hash3Bits);
  }
  uint32_t Hash4(const uint8_t* p) const {
    return ((p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3]) * 2654435761u) >> (32 - HashBits);
  }

  void Insert(uint32_t position) {
    const uint8_t* p = &data_[position - base_];
    if (position + MinMatch <= size_) head3_[Hash3(p)] = position + 1;
    if (position + MinMatch + 1 <= size_) {
      const uint32_t h = Hash4(p);
      previous_[position % MaxDistance] = head_[h];
      head_[h] = position + 1;
    }
  }

  // Collects, nearest first, each match longer than every nearer one: for any length,
  // the cheapest source is the nearest candidate at least that long.
  int FindMatches(uint32_t position, int maxLength, std::array<Step, MaxMatch>& found) {
    int count = 0;
    if (maxLength < MinMatch || position + MinMatch > size_) return 0;
    int best = MinMatch - 1;
    const uint8_t* here = &data_[position - base_];
    const auto consider = [&](uint32_t source) {
      const uint8_t* there = &data_[source - base_];
      if (there[best] != here[best]) return false;
      const int length = MatchLength(there, here, maxLength);
      if (length <= best) return false;
      best = length;
      found[count++] = {static_cast<uint16_t>(length), static_cast<uint16_t>(position - source)};
      return length >= maxLength || length >= NiceLength;
    };
    const uint32_t nearest = head3_[Hash3(here)];
    if (nearest != 0 && position - (nearest - 1) <= MaxDistance && consider(nearest - 1))
      return count;
    if (position + MinMatch + 1 > size_ || maxLength <= best) return count;
    uint32_t candidate = head_[Hash4(here)];
    for (int tries = ChainLimit; candidate != 0 && tries > 0; --tries) {
      const uint32_t source = candidate - 1;
      if (position - source > MaxDistance || consider(source)) break;
      candidate = previous_[source % MaxDistance];
    }
    return count;
  }

  // Finds the candidate matches of every position of the block.
  void SearchBlock(uint32_t start, uint32_t end) {
    const uint32_t span = end - start;
    candidates_.clear();
    firstCandidate_[0] = 0;
    std::array<Step, MaxMatch> found;
    for (uint32_t r = 0; r < span;) {
      const uint32_t position = start + r;
      const int maxLength = static_cast<int>(std::min<uint32_t>(MaxMatch, span - r));
      const int count = FindMatches(position, maxLength, found);
      Insert(position);
      candidates_.insert(candidates_.end(), found.begin(), found.begin() + count);
      // Inside a match as long as allowed nothing is searched: on long runs that would
      // cost a search per byte and gain next to nothing.
      uint32_t next = r + 1;
      if (count > 0 && found[count - 1].length == MaxMatch) {
        for (int k = 1; k < MaxMatch; ++k)
          Insert(position + k);
        next = r + MaxMatch;
      }
      for (; r < next; ++r)
        firstCandidate_[r + 1] = static_cast<uint32_t>(candidates_.size());
    }
  }

  // Symbol costs in bits, from the code lengths as the tree stands: a node is one bit
  // deeper than its parent, and every parent lies above its children.
  void CostsFromModel() {
    std::array<uint8_t, NodeCount> depth;
    depth[RootNode] = 0;
    for (int n = RootNode - 1; n >= 0; --n)
      depth[n] = static_cast<uint8_t>(depth[NodeParent[n]] + 1);
    for (int s = 0; s < SymbolCount; ++s)
      symbolCost_[s] = depth[NodeParent[NodeCount + s]];
  }

  // The cheapest path through the block for the current symbol costs.
  void PlanBlock(uint32_t start, uint32_t end) {
    const uint32_t span = end - start;
    std::fill(cost_.begin(), cost_.begin() + span + 1, UINT32_MAX);
    cost_[0] = 0;
    for (uint32_t r = 0; r < span; ++r) {
      const uint32_t here = cost_[r];
      if (here == UINT32_MAX) continue;
      const uint32_t literal = here + symbolCost_[At(start + r)];
      if (literal < cost_[r + 1]) {
        cost_[r + 1] = literal;
        via_[r + 1] = {1, 0};
      }
      int length = MinMatch;
      for (uint32_t k = firstCandidate_[r]; k < firstCandidate_[r + 1]; ++k) {
        const Step& match = candidates_[k];
        const uint32_t offsetCost = here + OffsetBits(match.distance);
        for (; length <= match.length; ++length) {
          const uint32_t c = offsetCost + symbolCost_[MatchSymbol(length)];
          if (c < cost_[r + length]) {
            cost_[r + length] = c;
            via_[r + length] = {static_cast<uint16_t>(length), match.distance};
          }
        }
      }
    }
    path_.clear();
    for (uint32_t r = span; r > 0; r -= via_[r].length)
      path_.push_back(via_[r]);
    std::reverse(path_.begin(), path_.end());
  }

  void EmitBlock(uint32_t start) {
    uint32_t position = start;
    for (auto step = path_.begin(); step != path_.end(); ++step) {
      if (step->length == 1) {
        EncodeSymbol(bits_, At(position));
      } else {
        EncodeSymbol(bits_, MatchSymbol(step->length));
        EncodeOffset(bits_, step->distance);
      }
      position += step->length;
    }
  }

  std::FILE* input_;
  uint32_t size_;
  BitWriter& bits_;
  std::vector<uint8_t> data_;
  uint32_t base_ = 0;   // entry position of data_[0]
  uint32_t loaded_ = 0; // entry positions read so far
  uint32_t crc_ = 0;    // of the bytes read so far
  // Entries hold position + 1; 0 ends a chain.
  std::vector<uint32_t> head_;
  std::vector<uint32_t> head3_;
  std::vector<uint32_t> previous_;
  std::vector<Step> candidates_;
  std::vector<uint32_t> firstCandidate_; // candidates of block position r start here
  std::array<uint32_t, SymbolCount> symbolCost_{};
  std::vector<uint32_t> cost_;
  std::vector<Step> via_;
  std::vector<Step> path_;
};

} // namespace

bool EncodeEntry(std::FILE* input, uint32_t size, std::FILE* output, uint32_t* crc) {
  if (crc) *crc = 0;
  const uint8_t field[4] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                            static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
  if (std::fwrite(field, sizeof field, 1, output) != 1) return false;
  if (size == 0) return true;
  BitWriter bits(output);
  ResetModel();
  Encoder encoder(input, size, bits);
  const bool read = encoder.Run();
  if (crc) *crc = encoder.Crc();
  return bits.Finish() && read;
}
