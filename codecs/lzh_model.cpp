#include "codecs/lzh_model.h"

#include <cstring>

namespace lzh {

void StartModel(Model& m) {
  for (unsigned s = 0; s < kSymbols; ++s) {
    m.freq[s] = 1;
    m.nodeChild[s] = static_cast<std::uint16_t>(kNodes + s);
    m.nodeParent[kNodes + s] = static_cast<std::uint16_t>(s);
  }
  for (unsigned i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
    m.freq[j] = static_cast<std::uint16_t>(m.freq[i] + m.freq[i + 1]);
    m.nodeChild[j] = static_cast<std::uint16_t>(i);
    m.nodeParent[i] = m.nodeParent[i + 1] = static_cast<std::uint16_t>(j);
  }
  m.freq[kNodes] = 0xFFFF;
  m.nodeParent[kRoot] = 0;
}

namespace {

// Halves every count and builds the tree again from the leaves.
void RebuildModel(Model& m) {
  unsigned j = 0;
  for (unsigned i = 0; i < kNodes; ++i) {
    if (m.nodeChild[i] >= kNodes) {
      m.freq[j] = static_cast<std::uint16_t>((m.freq[i] + 1) / 2);
      m.nodeChild[j] = m.nodeChild[i];
      ++j;
    }
  }
  for (unsigned i = 0; j < kNodes; i += 2, ++j) {
    const unsigned f = m.freq[i] + m.freq[i + 1];
    unsigned k = j - 1;
    while (f < m.freq[k]) --k;
    ++k;
    std::memmove(&m.freq[k + 1], &m.freq[k], (j - k) * sizeof m.freq[0]);
    std::memmove(&m.nodeChild[k + 1], &m.nodeChild[k], (j - k) * sizeof m.nodeChild[0]);
    m.freq[k] = static_cast<std::uint16_t>(f);
    m.nodeChild[k] = static_cast<std::uint16_t>(i);
  }
  for (unsigned i = 0; i < kNodes; ++i) {
    const unsigned v = m.nodeChild[i];
    m.nodeParent[v] = static_cast<std::uint16_t>(i);
    if (v < kNodes) m.nodeParent[v + 1] = static_cast<std::uint16_t>(i);
  }
}

}  // namespace

// Keeps the counts in order: a node that now outweighs the nodes above it trades places with the
// last of them that it outweighs.
void UpdateModel(Model& m, unsigned s) {
  if (m.freq[kRoot] == kMaxFreq) RebuildModel(m);
  unsigned k = m.nodeParent[kNodes + s];
  do {
    const unsigned f = ++m.freq[k];
    if (f > m.freq[k + 1]) {
      unsigned l = k + 1;
      while (f > m.freq[l + 1]) ++l;
      m.freq[k] = m.freq[l];
      m.freq[l] = static_cast<std::uint16_t>(f);
      const unsigned i = m.nodeChild[k], j = m.nodeChild[l];
      m.nodeChild[l] = static_cast<std::uint16_t>(i);
      m.nodeParent[i] = static_cast<std::uint16_t>(l);
      if (i < kNodes) m.nodeParent[i + 1] = static_cast<std::uint16_t>(l);
      m.nodeChild[k] = static_cast<std::uint16_t>(j);
      m.nodeParent[j] = static_cast<std::uint16_t>(k);
      if (j < kNodes) m.nodeParent[j + 1] = static_cast<std::uint16_t>(k);
      k = l;
    }
    k = m.nodeParent[k];
  } while (k != 0);  // the root's parent; node 0 is always a leaf, so no other node has it
}

}  // namespace lzh
