#ifndef QUORVEL_IMAGE_IMAGE_INTERNAL_H
#define QUORVEL_IMAGE_IMAGE_INTERNAL_H

// The pieces of the image library that only its own files use: the census's tree and its two
// ways of counting, and the colour steps of the bitmap block.

#include <stdint.h>

#include "image/image.h"

// A colour as the census orders it: byte 0 (transparency, or a level) is the most significant.
typedef uint32_t ColourValue;

inline ColourValue ColourValueOf(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    return static_cast<ColourValue>(b0) << 24 | static_cast<ColourValue>(b1) << 16 |
           static_cast<ColourValue>(b2) << 8 | b3;
}

struct ColourNode {
    ColourValue value;
    ColourNode* left;   // smaller values
    ColourNode* right;  // greater values
};

// An unbalanced ordered tree of the distinct values added; start it as {0, nullptr}.
struct ColourTree {
    int32_t count;  // nodes made, that is distinct values added
    ColourNode* root;
};

// Adds value unless the tree holds it already. False when a new node could not be allocated;
// the tree is then as it was.
bool ColourTreeAdd(ColourTree* tree, ColourValue value);
// Frees every node and leaves the tree empty. Iterative, so a degenerate chain of any depth
// cannot exhaust the stack.
void ColourTreeDestroy(ColourTree* tree);

// Adds the colour values of an image of 8 bpp or fewer to the caller's tree, in pixel order;
// nothing when pixels is null, and nothing more once a node could not be allocated.
void ImageCollectColours(const Image& image, ColourTree* tree);
// The census of 8 bpp and fewer: one tree.
int32_t ImageCountColoursByTree(const Image& image);
// The census above 8 bpp: 24 and 32 bpp spread over 65536 trees by a hash of the colour; any
// other depth, or no pixels, gives 0.
int32_t ImageCountColoursByBuckets(const Image& image);

// Blends one group (transparency, red, green, blue) with the background in place; the
// transparency becomes 0.
void BlendWithBackground(uint8_t* group, uint32_t background);

// Reverses the byte order of each of `count` 4-byte groups in place.
void ReverseQuadBytes(uint8_t* groups, int32_t count);

#endif
