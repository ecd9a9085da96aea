// Palette reduction of 24-bit R G B images with an octree of at most 65536 nodes, and the
// nearest-colour search that maps pixels onto the palette.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class ColorQuantizer {
 public:
  static constexpr uint32_t kMaxNodes = 65536;

  struct Node {
    bool leaf = false;
    std::unique_ptr<Node> children[8];
    // 64-bit: a leaf may hold every pixel of the largest image, and 255 times that does not
    // fit in 32 bits.
    uint64_t pixelCount = 0;
    uint64_t redSum = 0;
    uint64_t greenSum = 0;
    uint64_t blueSum = 0;
  };

  ColorQuantizer();
  ~ColorQuantizer();
  ColorQuantizer(const ColorQuantizer&) = delete;
  ColorQuantizer& operator=(const ColorQuantizer&) = delete;

  // Adds one pixel. Leaves sit at depth 7 (bit 0 of a component never splits); whenever the
  // tree grows past kMaxNodes it is reduced with thresholds 1, 2, 3 ... until it fits.
  void Insert(uint8_t red, uint8_t green, uint8_t blue);
  // Merges, below `node`, leaves that hold at most `threshold` pixels into a sibling (or the
  // whole family into the node when all are that small).
  void Reduce(Node* node, uint64_t threshold);
  // Reduces until at most maxColours leaves remain, then writes one entry per leaf (R, G, B,
  // 0; each the rounded mean) and its pixel count. Returns the entry count; 0 when maxColours
  // is 0 or nothing was inserted. `counts` may be null.
  size_t GetPalette(uint8_t* palette, uint64_t* counts, size_t maxColours);
  size_t EmitPalette(const Node* node, uint8_t* palette, uint64_t* counts, size_t room) const;

  uint32_t NodeCount() const { return nodeCount_; }
  uint32_t LeafCount() const { return leafCount_; }
  Node* Root() { return root_.get(); }

 private:
  void DeleteLeafChild(Node* node, int index);
  // Runs Reduce with the thresholds 1, 2, 3 ... until `done`, passing over the thresholds at
  // which a pass would change nothing.
  void ReduceUntil(bool (ColorQuantizer::*done)() const);
  bool FitsTheCap() const { return nodeCount_ <= kMaxNodes; }
  bool FitsThePalette() const { return leafCount_ <= wantedLeaves_; }
  size_t wantedLeaves_ = 0;
  std::unique_ptr<Node> root_;
  uint32_t nodeCount_ = 1;
  uint32_t leafCount_ = 0;
};

// The index of the palette entry (4 bytes each, R G B first) nearest to the colour; on equal
// distances the lower index. 0 for an empty palette.
size_t FindNearestPaletteIndex(const uint8_t* palette, size_t count, int red, int green, int blue);

// Reduces width x height R G B pixels to at most maxColours (1..256) colours: a new buffer of
// one palette index per pixel, the palette (4 bytes per entry, room for maxColours entries) and
// its entry count. Null, with the count 0, for no pixels, an empty image or maxColours outside
// 1..256.
std::unique_ptr<uint8_t[]> QuantizeRgbImage(const uint8_t* pixels, uint32_t width, uint32_t height, size_t maxColours,
                                            uint8_t* palette, size_t& colourCount);
