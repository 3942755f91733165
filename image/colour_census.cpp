#include <stdlib.h>
#include <string.h>

#include "image/image.h"
#include "image/image_alloc.h"

namespace {

const size_t kBucketCount = 65536;

ColourValue EntryValue(const PaletteEntry& e) {
    return ColourValueOf(e.transparency, e.red, e.green, e.blue);
}

// `times` occurrences at once: the same tree as `times` single adds in a row.
bool TreeAdd(ColourTree* tree, ColourValue value, int32_t times) {
    ColourNode** link = &tree->root;
    while (ColourNode* node = *link) {
        if (value < node->value) {
            link = &node->left;
        } else if (value > node->value) {
            link = &node->right;
        } else {
            node->occurrences += times;
            return true;
        }
    }
    ColourNode* node = static_cast<ColourNode*>(ImageAllocate(sizeof(ColourNode)));
    if (!node) return false;
    node->value = value;
    node->occurrences = times;
    node->left = node->right = nullptr;
    *link = node;
    ++tree->count;
    return true;
}

size_t PixelCount(const Image& image) {
    if (image.width <= 0 || image.height <= 0) return 0;
    return static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
}

// 1 bpp without a palette holds black, white or both. Only real pixels count, never the fill
// bits at the end of a row; a single colour is recorded as 0, d, d, d from the first byte.
bool Collect1Unpaletted(const Image& image, ColourTree* tree) {
    if (PixelCount(image) == 0) return true;
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
        return TreeAdd(tree, ColourValueOf(0, 0, 0, 0), 1) &&
               TreeAdd(tree, ColourValueOf(0, 255, 255, 255), 1);
    }
    const uint8_t d = image.pixels[0];
    return TreeAdd(tree, ColourValueOf(0, d, d, d), 1);
}

// At most 256 indices: count them first, then add each value once with its occurrences, in
// the order of first appearance, which builds exactly the tree of pixel-by-pixel adds.
bool Collect8(const Image& image, ColourTree* tree) {
    uint32_t occurrences[256] = {0};
    uint8_t order[256];
    size_t distinct = 0;
    const uint8_t* p = image.pixels;
    for (const uint8_t* end = p + PixelCount(image); p != end; ++p) {
        if (occurrences[*p]++ == 0) order[distinct++] = *p;
    }
    for (size_t i = 0; i < distinct; ++i) {
        const uint8_t index = order[i];
        const ColourValue value =
            image.palette ? EntryValue(image.palette[index]) : ColourValueOf(index, 0, 0, 0);
        if (!TreeAdd(tree, value, static_cast<int32_t>(occurrences[index]))) return false;
    }
    return true;
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

// Walks 24 or 32 bpp pixels, handing each run of equal pixels to `add` at once: the same
// nodes, in the same order, as adding them one by one.
template <size_t N, typename Add>
bool ForEachPixelRun(const Image& image, Add add) {
    const size_t count = PixelCount(image);
    if (count == 0) return true;
    const uint8_t* run = image.pixels;
    ColourValue runValue = PixelValue<N>(run);
    int32_t times = 1;
    const uint8_t* p = run + N;
    for (const uint8_t* end = image.pixels + count * N; p != end; p += N) {
        const ColourValue value = PixelValue<N>(p);
        if (value == runValue) {
            ++times;
            continue;
        }
        if (!add(run, runValue, times)) return false;
        run = p;
        runValue = value;
        times = 1;
    }
    return add(run, runValue, times);
}

template <size_t N>
bool CollectWide(const Image& image, ColourTree* tree) {
    return ForEachPixelRun<N>(image, [tree](const uint8_t*, ColourValue value, int32_t times) {
        return TreeAdd(tree, value, times);
    });
}

template <size_t N>
void CountInBuckets(const Image& image, ColourTree* buckets) {
    ForEachPixelRun<N>(image, [buckets](const uint8_t* p, ColourValue value, int32_t times) {
        return TreeAdd(&buckets[BucketOf<N>(p)], value, times);
    });
}

}  // namespace

bool ColourTreeAdd(ColourTree* tree, ColourValue value) {
    return TreeAdd(tree, value, 1);
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
            free(node);
            node = right;
        }
    }
    tree->root = nullptr;
    tree->count = 0;
}

bool Image::ImageCollectColours(ColourTree* tree) const {
    if (!pixels) return false;
    switch (bitsPerPixel) {
        case 1:
            if (!palette) return Collect1Unpaletted(*this, tree);
            return TreeAdd(tree, EntryValue(palette[0]), 1) &&
                   TreeAdd(tree, EntryValue(palette[1]), 1);
        case 8:
            return Collect8(*this, tree);
        case 24:
            return CollectWide<3>(*this, tree);
        case 32:
            return CollectWide<4>(*this, tree);
        default:
            return true;
    }
}

int32_t Image::ImageCountColoursByTree() const {
    ColourTree tree = {0, nullptr};
    ImageCollectColours(&tree);
    const int32_t count = tree.count;
    ColourTreeDestroy(&tree);
    return count;
}

int32_t Image::ImageCountColoursByBuckets() const {
    if ((bitsPerPixel != 24 && bitsPerPixel != 32) || !pixels) return 0;
    ColourTree* buckets =
        static_cast<ColourTree*>(ImageAllocate(kBucketCount * sizeof(ColourTree)));
    if (!buckets) return 0;
    memset(buckets, 0, kBucketCount * sizeof(ColourTree));
    if (bitsPerPixel == 24) {
        CountInBuckets<3>(*this, buckets);
    } else {
        CountInBuckets<4>(*this, buckets);
    }
    int32_t count = 0;
    for (size_t i = 0; i < kBucketCount; ++i) {
        count += buckets[i].count;
        ColourTreeDestroy(&buckets[i]);
    }
    free(buckets);
    return count;
}

int32_t Image::ImageCountColours() const {
    return bitsPerPixel > 8 ? ImageCountColoursByBuckets() : ImageCountColoursByTree();
}
