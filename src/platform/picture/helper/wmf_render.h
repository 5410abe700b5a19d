#ifndef PLATFORM_PICTURE_WMF_RENDER_H
#define PLATFORM_PICTURE_WMF_RENDER_H
/* Windows metafiles through libwmf. libwmf's headers define short macros
   (U8, U16, ...) that collide with Qt's, so this interface is plain C and
   its implementation includes no Qt header. */

#ifdef __cplusplus
extern "C" {
#endif

/* Scans the whole metafile. On success returns 0 and stores the picture's
   size in twips as libwmf measures it (from the placeable header when there
   is one, otherwise from the drawing's extent). Non-zero: not a readable
   metafile. */
int wmfMeasureTwips(const unsigned char* data, long length, double* widthTwips,
                    double* heightTwips);

/* Plays the metafile onto a white canvas of width x height pixels and stores
   them in argb (width x height words, 0xAARRGGBB premultiplied, rows top to
   bottom). Returns 0 on success. */
int wmfRenderPixels(const unsigned char* data, long length, unsigned width, unsigned height,
                    unsigned int* argb);

#ifdef __cplusplus
}
#endif

#endif
