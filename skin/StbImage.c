/* The general picture decoder (JPEG, BMP, GIF) compiled into this library, restricted to those
 * three formats and kept private to this file; Image.cpp reaches it through the two functions
 * below. Compiling it here rather than linking the system archive lets the fuzzer see inside it. */
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS (1 << 16)
#include <stb/stb_image.h>

#include "skin/StbImage.h"

int korvan_picture_info(const unsigned char* data, int size, int* width, int* height) {
    int channels = 0;
    return stbi_info_from_memory(data, size, width, height, &channels);
}

unsigned char* korvan_picture_decode_rgba(const unsigned char* data, int size, int* width, int* height) {
    int channels = 0;
    return stbi_load_from_memory(data, size, width, height, &channels, 4);
}

void korvan_picture_free(unsigned char* pixels) {
    stbi_image_free(pixels);
}

const char* korvan_picture_failure(void) {
    return stbi_failure_reason();
}
