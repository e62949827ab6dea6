// Checks made before the general decoder sees a file.
//
// BMP and GIF: the file must hold all the pixel data its header promises. The decoder reads
// past the end of a file as zeros, so a file cut short would otherwise come back as a picture
// with a black or smeared lower part and no sign of the damage.
//
// JPEG: every Huffman table a scan uses must have been defined, with a code that fits its
// lengths. The decoder does not check this and would look symbols up in an undefined table,
// reading outside its memory.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "skin/ImageDecoders.h"

namespace korvan {

namespace {

unsigned Read16(std::span<const std::uint8_t> d, std::size_t at) {
    return d[at] | d[at + 1] << 8;
}
std::uint32_t Read32(std::span<const std::uint8_t> d, std::size_t at) {
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<std::uint32_t>(d[at + 3]) << 24;
}

// Uncompressed and bit-field BMPs need offset + (rows - 1) * stride + the last row's pixel bytes.
// Run-length files are left to the decoder.
bool BmpIsComplete(std::span<const std::uint8_t> d, std::string& reason) {
    if (d.size() < 26) return reason = "BMP header cut short", false;
    const std::uint32_t offset = Read32(d, 10);
    const std::uint32_t headerSize = Read32(d, 14);
    long long width = 0, height = 0;
    unsigned bits = 0;
    std::uint32_t compression = 0;
    if (headerSize == 12) {
        width = Read16(d, 18), height = Read16(d, 20), bits = Read16(d, 24);
    } else {
        if (d.size() < 34) return reason = "BMP header cut short", false;
        width = static_cast<std::int32_t>(Read32(d, 18));
        height = std::llabs(static_cast<std::int32_t>(Read32(d, 22)));
        bits = Read16(d, 28);
        compression = Read32(d, 30);
    }
    const bool plain = compression == 0 || compression == 3 || compression == 6;
    if (!plain || width <= 0 || height <= 0 || bits == 0 || bits > 64) return true;  // the decoder decides
    const long long rowBytes = (width * bits + 7) / 8;
    const long long stride = (width * bits + 31) / 32 * 4;
    const long long needed = static_cast<long long>(offset) + (height - 1) * stride + rowBytes;
    if (static_cast<long long>(d.size()) < needed) return reason = "BMP pixel data cut short", false;
    return true;
}

// Skips a chain of GIF data sub-blocks; false when the chain runs past the end.
bool SkipSubBlocks(std::span<const std::uint8_t> d, std::size_t& at) {
    while (at < d.size()) {
        const std::size_t length = d[at++];
        if (length == 0) return true;
        at += length;
    }
    return false;
}

// Walks the GIF blocks up to the end of the first image's data.
bool GifIsComplete(std::span<const std::uint8_t> d, std::string& reason) {
    reason = "GIF cut short before the end of its first image";
    if (d.size() < 13) return false;
    std::size_t at = 13;
    if (d[10] & 0x80) at += 3u << ((d[10] & 7) + 1);  // global colour table
    while (at < d.size()) {
        const std::uint8_t block = d[at++];
        if (block == 0x21) {  // extension: label, then sub-blocks
            ++at;
            if (!SkipSubBlocks(d, at)) return false;
        } else if (block == 0x2C) {  // image descriptor, local colour table, code size, data
            if (at + 9 > d.size()) return false;
            const std::uint8_t flags = d[at + 8];
            at += 9;
            if (flags & 0x80) at += 3u << ((flags & 7) + 1);
            ++at;
            return SkipSubBlocks(d, at);
        } else {
            return true;  // trailer or something unknown: the decoder decides
        }
    }
    return false;
}

// Marks the tables of one DHT segment as defined; false when one has an impossible code.
bool ReadHuffmanTables(std::span<const std::uint8_t> segment, bool (&defined)[2][4]) {
    std::size_t at = 0;
    while (at < segment.size()) {
        if (at + 17 > segment.size()) return false;
        const unsigned tableClass = segment[at] >> 4, id = segment[at] & 15;
        // Canonical code: at each length the codes used so far may not exceed 2^length.
        unsigned long long codes = 0, symbols = 0;
        for (int length = 1; length <= 16; ++length) {
            codes = codes * 2 + segment[at + length];
            symbols += segment[at + length];
            if (codes > (1ull << length)) return false;
        }
        if (symbols > 256 || at + 17 + symbols > segment.size()) return false;
        if (tableClass <= 1 && id <= 3) defined[tableClass][id] = true;
        at += 17 + symbols;
    }
    return true;
}

// Whether each component of a scan has the tables it uses: DC for the first scan of the DC
// coefficients, AC for scans of AC coefficients; a baseline scan uses both.
bool ScanTablesDefined(std::span<const std::uint8_t> segment, bool progressive, const bool (&defined)[2][4]) {
    if (segment.empty()) return false;
    const std::size_t components = segment[0];
    if (segment.size() < 1 + 2 * components + 3) return false;
    const unsigned spectralStart = segment[1 + 2 * components];
    const unsigned approximationHigh = segment[3 + 2 * components] >> 4;
    const bool usesDc = !progressive || (spectralStart == 0 && approximationHigh == 0);
    const bool usesAc = !progressive || spectralStart > 0;
    for (std::size_t c = 0; c < components; ++c) {
        const unsigned tables = segment[2 + 2 * c];
        if (usesDc && (tables >> 4 > 3 || !defined[0][tables >> 4])) return false;
        if (usesAc && ((tables & 15) > 3 || !defined[1][tables & 15])) return false;
    }
    return true;
}

// Moves `at` to the 0xFF that starts the marker after a scan's data; false at the end of the
// data. Inside the data 0xFF, after any fill bytes, is followed by 0x00 (a stuffed data byte) or
// a restart marker.
bool SkipEntropyCodedData(std::span<const std::uint8_t> d, std::size_t& at) {
    while (at < d.size()) {
        if (d[at] != 0xff) {
            ++at;
            continue;
        }
        std::size_t next = at;
        while (next < d.size() && d[next] == 0xff) ++next;
        if (next >= d.size()) return false;
        if (d[next] != 0 && (d[next] < 0xd0 || d[next] > 0xd7)) return true;
        at = next + 1;
    }
    return false;
}

// Walks the markers as the decoder does: bytes between segments that are not markers are
// skipped, a segment running past the end of the file reads as zeros there, and the
// entropy-coded data after each scan header is skipped to the next marker.
bool JpegTablesSound(std::span<const std::uint8_t> d, std::string& reason) {
    reason = "JPEG scan uses an undefined or impossible Huffman table";
    bool defined[2][4] = {};
    bool progressive = false;
    std::size_t at = 2;
    std::vector<std::uint8_t> padded;
    while (at + 1 < d.size()) {
        if (d[at] != 0xff) {
            ++at;
            continue;
        }
        while (at < d.size() && d[at] == 0xff) ++at;
        if (at >= d.size()) return true;
        const std::uint8_t marker = d[at++];
        if (marker == 0xd9) return true;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) continue;
        if (at + 2 > d.size()) return true;
        const std::size_t length = static_cast<std::size_t>(d[at] << 8 | d[at + 1]);  // big-endian
        if (length < 2) return true;
        std::span<const std::uint8_t> segment;
        if (at + length <= d.size()) {
            segment = d.subspan(at + 2, length - 2);
        } else {
            padded.assign(length - 2, 0);
            std::copy(d.begin() + static_cast<std::ptrdiff_t>(at + 2), d.end(), padded.begin());
            segment = padded;
        }
        at += length;
        if (marker == 0xc2 || marker == 0xc6 || marker == 0xca || marker == 0xce) progressive = true;
        if (marker == 0xc4 && !ReadHuffmanTables(segment, defined)) return false;
        if (marker != 0xda) continue;
        if (!ScanTablesDefined(segment, progressive, defined)) return false;
        if (!SkipEntropyCodedData(d, at)) return true;
    }
    return true;
}

}  // namespace

// The decoder takes any run of 0xFF fill bytes before a marker, the start marker too.
bool PictureTablesSound(std::span<const std::uint8_t> data, std::string& reason) {
    std::size_t at = 0;
    while (at < data.size() && data[at] == 0xff) ++at;
    if (at == 0 || at >= data.size() || data[at] != 0xd8) return true;
    return JpegTablesSound(data.subspan(at - 1), reason);
}

bool PictureIsComplete(std::span<const std::uint8_t> data, std::string& reason) {
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return BmpIsComplete(data, reason);
    if (data.size() >= 4 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F' && data[3] == '8')
        return GifIsComplete(data, reason);
    return true;
}

}  // namespace korvan
