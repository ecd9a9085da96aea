#include "media/ColorQuantizer.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>

#include "media/Bitmap.h"

ColorQuantizer::ColorQuantizer() : root_(std::make_unique<Node>()) {}

// The tree is at most 8 levels deep, so the recursive deletion of the children is shallow.
ColorQuantizer::~ColorQuantizer() = default;

void ColorQuantizer::Insert(uint8_t red, uint8_t green, uint8_t blue) {
  Node* node = root_.get();
  uint8_t mask = 0x80;
  for (;;) {
    ++node->pixelCount;
    node->redSum += red;
    node->greenSum += green;
    node->blueSum += blue;
    if (node->leaf) break;
    const int index = ((red & mask) ? 4 : 0) + ((green & mask) ? 2 : 0) + ((blue & mask) ? 1 : 0);
    if (!node->children[index]) {
      node->children[index] = std::make_unique<Node>();
      ++nodeCount_;
      if (mask == 2) {
        node->children[index]->leaf = true;
        ++leafCount_;
      }
    }
    node = node->children[index].get();
    mask >>= 1;
  }
  if (nodeCount_ > kMaxNodes) ReduceUntil(&ColorQuantizer::FitsTheCap);
}

namespace {

// The smallest threshold at which Reduce changes anything below the node: the fewest pixels
// of a leaf child anywhere, or of a node whose children are all leaves. Every pass with a
// lower threshold leaves the tree as it is, so the passes can start there.
uint64_t SmallestReducible(const ColorQuantizer::Node* node) {
  uint64_t smallest = UINT64_MAX;
  bool allLeaves = true;
  for (const auto& child : node->children) {
    if (!child) continue;
    if (child->leaf) {
      smallest = std::min(smallest, child->pixelCount);
    } else {
      allLeaves = false;
      smallest = std::min(smallest, SmallestReducible(child.get()));
    }
  }
  if (allLeaves) smallest = std::min(smallest, node->pixelCount);
  return smallest;
}

}  // namespace

void ColorQuantizer::ReduceUntil(bool (ColorQuantizer::*done)() const) {
  for (uint64_t threshold = 1; !(this->*done)(); ++threshold) {
    threshold = std::max(threshold, SmallestReducible(root_.get()));
    Reduce(root_.get(), threshold);
  }
}

void ColorQuantizer::DeleteLeafChild(Node* node, int index) {
  node->children[index].reset();
  --nodeCount_;
  --leafCount_;
}

void ColorQuantizer::Reduce(Node* node, uint64_t threshold) {
  if (node == nullptr || node->leaf) return;
  for (auto& child : node->children) {
    if (child && !child->leaf) Reduce(child.get(), threshold);
  }
  bool allLeaves = true;
  for (auto& child : node->children) {
    if (child && !child->leaf) allLeaves = false;
  }
  if (allLeaves && node->pixelCount <= threshold) {
    for (int i = 0; i < 8; ++i) {
      if (node->children[i]) DeleteLeafChild(node, i);
    }
    node->leaf = true;
    ++leafCount_;
    return;
  }
  for (int i = 0; i < 8; ++i) {
    Node* child = node->children[i].get();
    if (child == nullptr || !child->leaf || child->pixelCount > threshold) continue;
    const Node removed = {false, {}, child->pixelCount, child->redSum, child->greenSum, child->blueSum};
    DeleteLeafChild(node, i);
    Node* heir = nullptr;
    for (auto& other : node->children) {
      if (other) {
        heir = other.get();
        break;
      }
    }
    // Down the chain of first children to a leaf, every node takes the pixels over.
    while (heir != nullptr) {
      heir->pixelCount += removed.pixelCount;
      heir->redSum += removed.redSum;
      heir->greenSum += removed.greenSum;
      heir->blueSum += removed.blueSum;
      if (heir->leaf) break;
      Node* next = nullptr;
      for (auto& other : heir->children) {
        if (other) {
          next = other.get();
          break;
        }
      }
      heir = next;
    }
  }
}

size_t ColorQuantizer::GetPalette(uint8_t* palette, uint64_t* counts, size_t maxColours) {
  if (maxColours == 0 || palette == nullptr || root_->pixelCount == 0) return 0;
  wantedLeaves_ = maxColours;
  ReduceUntil(&ColorQuantizer::FitsThePalette);
  return EmitPalette(root_.get(), palette, counts, maxColours);
}

size_t ColorQuantizer::EmitPalette(const Node* node, uint8_t* palette, uint64_t* counts, size_t room) const {
  if (node == nullptr || room == 0) return 0;
  if (node->leaf) {
    if (node->pixelCount == 0) return 0;
    const uint64_t n = node->pixelCount;
    palette[0] = static_cast<uint8_t>((n / 2 + node->redSum) / n);
    palette[1] = static_cast<uint8_t>((n / 2 + node->greenSum) / n);
    palette[2] = static_cast<uint8_t>((n / 2 + node->blueSum) / n);
    palette[3] = 0;
    if (counts != nullptr) *counts = n;
    return 1;
  }
  size_t written = 0;
  for (const auto& child : node->children) {
    if (!child) continue;
    written +=
        EmitPalette(child.get(), palette + written * 4, counts != nullptr ? counts + written : nullptr, room - written);
    if (written == room) break;
  }
  return written;
}

size_t FindNearestPaletteIndex(const uint8_t* palette, size_t count, int red, int green, int blue) {
  if (palette == nullptr || count == 0) return 0;
  red = std::clamp(red, 0, 255);
  green = std::clamp(green, 0, 255);
  blue = std::clamp(blue, 0, 255);
  size_t best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = palette + i * 4;
    int d = (entry[0] - red) * (entry[0] - red);
    if (d > bestDistance) continue;
    d += (entry[1] - green) * (entry[1] - green);
    if (d > bestDistance) continue;
    d += (entry[2] - blue) * (entry[2] - blue);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

std::unique_ptr<uint8_t[]> QuantizeRgbImage(const uint8_t* pixels, uint32_t width, uint32_t height, size_t maxColours,
                                            uint8_t* palette, size_t& colourCount) {
  colourCount = 0;
  size_t count = 0;
  if (pixels == nullptr || palette == nullptr || maxColours == 0 || maxColours > 256 ||
      !BitmapByteCount(width, height, 1, count) || count == 0) {
    return nullptr;
  }
  std::unique_ptr<uint8_t[]> indices(new (std::nothrow) uint8_t[count]);
  if (!indices) return nullptr;
  ColorQuantizer quantizer;
  for (size_t i = 0; i < count; ++i) quantizer.Insert(pixels[i * 3], pixels[i * 3 + 1], pixels[i * 3 + 2]);
  colourCount = quantizer.GetPalette(palette, nullptr, maxColours);
  // Neighbouring pixels mostly repeat colours: the answers of the search are remembered in a
  // small table, each with the whole colour it is for, so a hit is always exact. An entry is
  // 1 << 32 | colour << 8 | index; 0 is empty.
  constexpr unsigned kCacheBits = 14;
  std::unique_ptr<uint64_t[]> cache(new (std::nothrow) uint64_t[size_t{1} << kCacheBits]());
  for (size_t i = 0; i < count; ++i) {
    const uint8_t r = pixels[i * 3], g = pixels[i * 3 + 1], b = pixels[i * 3 + 2];
    const uint64_t colour = uint64_t{r} << 16 | uint64_t{g} << 8 | b;
    uint64_t* slot = nullptr;
    if (cache) {
      slot = &cache[static_cast<uint32_t>(colour * 2654435761u) >> (32 - kCacheBits)];
      if ((*slot >> 8) == (uint64_t{1} << 24 | colour)) {
        indices[i] = static_cast<uint8_t>(*slot);
        continue;
      }
    }
    indices[i] = static_cast<uint8_t>(FindNearestPaletteIndex(palette, colourCount, r, g, b));
    if (slot != nullptr) *slot = uint64_t{1} << 32 | colour << 8 | indices[i];
  }
  return indices;
}
