#pragma once
/* C entry points of the general picture decoder (StbImage.c). */
#ifdef __cplusplus
extern "C" {
#endif

/* Reads only the header; 1 when it was understood. */
int korvan_picture_info(const unsigned char* data, int size, int* width, int* height);
/* Top-down 8-bit RGBA rows, or null; free with korvan_picture_free. */
unsigned char* korvan_picture_decode_rgba(const unsigned char* data, int size, int* width, int* height);
void korvan_picture_free(unsigned char* pixels);
/* Why the last call on this thread failed. */
const char* korvan_picture_failure(void);

#ifdef __cplusplus
}
#endif
