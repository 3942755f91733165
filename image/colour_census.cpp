#include <string.h>

#include "image/image_alloc.h"
#include "image/image_internal.h"

namespace {

const size_t kBucketCount = 65536;

ColourValue EntryValue(const PaletteEntry& e) {
    return ColourValueOf(e.transparency, e.red, e.green, e.blue);
}

size_t PixelCount(const Image& image) {
    if (image.width <= 0 || image.height <= 0) return 0;
    return static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
}

// 1 bpp without a palette holds black, white or both. Only real pixels count, never the fill
// bits at the end of a row; a single colour is recorded as 0, d, d, d from the first byte.
void Collect1Unpaletted(const Image& image, ColourTree* tree) {
    if (PixelCount(image) == 0) return;
    const size_t fullBytes = static_cast<size_t>(image.width / 8);
    const uint8_t lastMask = static_cast<uint8_t>(0xFF00 >> (image.width % 8));
    const size_t rowBytes = fullBytes + (lastMask != 0);
    bool anySet = false, anyClear = false;
    const uint8_t* row = image.pixels;
    for (int32_t r = 0; r < image.height && !(anySet && anyClear); ++r, row += rowBytes) {
        for (size_t i = 0; i < fullBytes; ++i) {
            anySet |= row[i] != 0;
            anyClear |= row[i] != 0xFF;
        }
        if (lastMask) {
            anySet |= (row[fullBytes] & lastMask) != 0;
            anyClear |= (row[fullBytes] & lastMask) != lastMask;
        }
    }
    if (anySet && anyClear) {
        if (ColourTreeAdd(tree, ColourValueOf(0, 0, 0, 0))) {
            ColourTreeAdd(tree, ColourValueOf(0, 255, 255, 255));
        }
        return;
    }
    const uint8_t d = image.pixels[0];
    ColourTreeAdd(tree, ColourValueOf(0, d, d, d));
}

// Each index once, in the order of first appearance: at most 256 adds, whatever the size.
void Collect8(const Image& image, ColourTree* tree) {
    bool seen[256] = {false};
    const uint8_t* p = image.pixels;
    for (const uint8_t* end = p + PixelCount(image); p != end; ++p) {
        if (seen[*p]) continue;
        seen[*p] = true;
        const ColourValue value =
            image.palette ? EntryValue(image.palette[*p]) : ColourValueOf(*p, 0, 0, 0);
        if (!ColourTreeAdd(tree, value)) return;
    }
}

template <size_t N>
ColourValue PixelValue(const uint8_t* p) {
    return N == 3 ? ColourValueOf(0, p[0], p[1], p[2]) : ColourValueOf(p[0], p[1], p[2], p[3]);
}

template <size_t N>
size_t BucketOf(const uint8_t* p) {
    return N == 3 ? (static_cast<size_t>(p[1]) * 256 + p[2]) | p[0]
                  : ((static_cast<size_t>(p[0]) + p[2]) * 256 + p[1] + p[3]) % kBucketCount;
}

// A run of equal pixels needs one add: the rest would find its node.
template <size_t N>
void CountInBuckets(const Image& image, ColourTree* buckets) {
    const uint8_t* const end = image.pixels + PixelCount(image) * N;
    for (const uint8_t* run = image.pixels; run != end;) {
        const ColourValue value = PixelValue<N>(run);
        const uint8_t* p = run + N;
        while (p != end && PixelValue<N>(p) == value) p += N;
        if (!ColourTreeAdd(&buckets[BucketOf<N>(run)], value)) return;
        run = p;
    }
}

}  // namespace

bool ColourTreeAdd(ColourTree* tree, ColourValue value) {
    ColourNode** link = &tree->root;
    while (ColourNode* node = *link) {
        if (value == node->value) return true;
        link = value < node->value ? &node->left : &node->right;
    }
    ColourNode* node = static_cast<ColourNode*>(ImageAllocate(sizeof(ColourNode)));
    if (!node) return false;
    node->value = value;
    node->left = node->right = nullptr;
    *link = node;
    ++tree->count;
    return true;
}

void ColourTreeDestroy(ColourTree* tree) {
    ColourNode* node = tree->root;
    while (node) {
        if (ColourNode* left = node->left) {
            // Lift the left child above its parent; the walk then needs no stack.
            node->left = left->right;
            left->right = node;
            node = left;
        } else {
            ColourNode* right = node->right;
            ImageRelease(node);
            node = right;
        }
    }
    tree->root = nullptr;
    tree->count = 0;
}

void ImageCollectColours(const Image& image, ColourTree* tree) {
    if (!image.pixels) return;
    switch (image.bitsPerPixel) {
        case 1:
            if (!image.palette) {
                Collect1Unpaletted(image, tree);
            } else if (ColourTreeAdd(tree, EntryValue(image.palette[0]))) {
                ColourTreeAdd(tree, EntryValue(image.palette[1]));
            }
            break;
        case 8:
            Collect8(image, tree);
            break;
    }
}

int32_t ImageCountColoursByTree(const Image& image) {
    ColourTree tree = {0, nullptr};
    ImageCollectColours(image, &tree);
    const int32_t count = tree.count;
    ColourTreeDestroy(&tree);
    return count;
}

int32_t ImageCountColoursByBuckets(const Image& image) {
    if ((image.bitsPerPixel != 24 && image.bitsPerPixel != 32) || !image.pixels) return 0;
    ColourTree* buckets =
        static_cast<ColourTree*>(ImageAllocate(kBucketCount * sizeof(ColourTree)));
    if (!buckets) return 0;
    memset(buckets, 0, kBucketCount * sizeof(ColourTree));
    if (image.bitsPerPixel == 24) {
        CountInBuckets<3>(image, buckets);
    } else {
        CountInBuckets<4>(image, buckets);
    }
    int32_t count = 0;
    for (size_t i = 0; i < kBucketCount; ++i) {
        count += buckets[i].count;
        ColourTreeDestroy(&buckets[i]);
    }
    ImageRelease(buckets);
    return count;
}

int32_t Image::ImageCountColours() const {
    return bitsPerPixel > 8 ? ImageCountColoursByBuckets(*this) : ImageCountColoursByTree(*this);
}
