#ifndef PLATFORM_PICTURE_WMF_RENDER_H
#define PLATFORM_PICTURE_WMF_RENDER_H
/* Windows metafiles through libwmf. libwmf's headers define short macros
   (U8, U16, ...) that collide with Qt's, so this interface is plain C and
   its implementation includes no Qt header. */

#ifdef __cplusplus
extern "C" {
#endif

typedef struct WmfDrawing WmfDrawing;

/* Opens and scans the whole metafile; NULL when it is not a readable
   metafile. The data must outlive the drawing. */
WmfDrawing* wmfOpen(const unsigned char* data, long length);

/* The picture's size in twips as libwmf measures it (from the placeable
   header when there is one, otherwise from the drawing's extent). Returns 0
   on success. */
int wmfMeasureTwips(WmfDrawing* drawing, double* widthTwips, double* heightTwips);

/* Plays the metafile onto a white canvas of width x height pixels and stores
   them in argb (width x height words, 0xAARRGGBB premultiplied, rows top to
   bottom). Returns 0 on success. A drawing plays again at another size. */
int wmfDrawPixels(WmfDrawing* drawing, unsigned width, unsigned height, unsigned int* argb);

void wmfClose(WmfDrawing* drawing);

#ifdef __cplusplus
}
#endif

#endif
