/* No Qt header may be included here: see wmf_render.h. */
#include "wmf_render.h"

#include <libwmf/api.h>
#include <libwmf/gd.h>
/* libwmf's own copy of gd, whose image a play to wmf_gd_image hands over. */
#include <gd.h>

#include <stddef.h>
#include <stdlib.h>

struct WmfDrawing {
    wmfAPI* api;
    wmfD_Rect bbox;
};

/* Errors are reported to the caller through the return value; libwmf's own
   messages on stderr would only confuse a reader of a broken book. */
WmfDrawing* wmfOpen(const unsigned char* data, long length)
{
    WmfDrawing* drawing;
    wmfAPI_Options options;
    unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR
                          | WMF_OPT_NO_DEBUG;

    if (data == NULL || length <= 0)
        return NULL;
    drawing = calloc(1, sizeof *drawing);
    if (drawing == NULL)
        return NULL;

    options.function = wmf_gd_function;
    if (wmf_api_create(&drawing->api, flags, &options) != wmf_E_None) {
        wmfClose(drawing);
        return NULL;
    }
    /* libwmf only reads the buffer; its interface merely lacks the const. */
    if (wmf_mem_open(drawing->api, (unsigned char*)data, length) != wmf_E_None
        || wmf_scan(drawing->api, 0, &drawing->bbox) != wmf_E_None) {
        wmfClose(drawing);
        return NULL;
    }
    return drawing;
}

int wmfMeasureTwips(WmfDrawing* drawing, double* widthTwips, double* heightTwips)
{
    unsigned int width = 0;
    unsigned int height = 0;

    /* A display of 1440 dots per inch measures in twips. */
    if (wmf_display_size(drawing->api, &width, &height, 1440.0, 1440.0) != wmf_E_None || width == 0
        || height == 0)
        return 1;
    *widthTwips = width;
    *heightTwips = height;
    return 0;
}

/* gd keeps 7 bits of transparency above the colour: 0 opaque, 127 clear. */
static unsigned int premultipliedFromGd(int pixel)
{
    unsigned int clear = ((unsigned int)pixel >> 24) & 0x7F;
    unsigned int alpha = 255 - (clear * 255 + 63) / 127;
    unsigned int r = ((unsigned int)pixel >> 16) & 0xFF;
    unsigned int g = ((unsigned int)pixel >> 8) & 0xFF;
    unsigned int b = (unsigned int)pixel & 0xFF;
    if (alpha == 255)
        return 0xFF000000u | ((unsigned int)pixel & 0xFFFFFF);
    return (alpha << 24) | ((r * alpha / 255) << 16) | ((g * alpha / 255) << 8) | (b * alpha / 255);
}

/* libwmf leaves the image it played into to its caller, and exports no way
   to free it; the helper draws many pictures, so it frees what gd's
   gdImageDestroy would (gd allocates with malloc), as gd's header lays the
   image out. */
static void freeGdImage(gdImagePtr image)
{
    if (image == NULL)
        return;
    if (image->pixels != NULL) {
        int y;
        for (y = 0; y < image->sy; ++y)
            free(image->pixels[y]);
        free(image->pixels);
    }
    free(image->_tpixels);
    free(image->tpixels);
    free(image->polyInts);
    free(image->style);
    if (image->clip != NULL)
        free(image->clip->list);
    free(image->clip);
    free(image);
}

int wmfDrawPixels(WmfDrawing* drawing, unsigned width, unsigned height, unsigned int* argb)
{
    wmf_gd_t* device = WMF_GD_GetData(drawing->api);
    unsigned long count = (unsigned long)width * height;
    unsigned long i;
    int* pixels;
    int failed = 0;

    if (width == 0 || height == 0 || argb == NULL)
        return 1;
    device->type = wmf_gd_image;
    device->file = NULL;
    device->bbox = drawing->bbox;
    device->width = width;
    device->height = height;
    device->gd_image = NULL;
    if (wmf_play(drawing->api, 0, &drawing->bbox) != wmf_E_None || device->gd_image == NULL)
        failed = 1;
    pixels = failed ? NULL : wmf_gd_image_pixels(device->gd_image);
    if (pixels == NULL)
        failed = 1;
    for (i = 0; !failed && i < count; ++i)
        argb[i] = premultipliedFromGd(pixels[i]);
    freeGdImage((gdImagePtr)device->gd_image);
    device->gd_image = NULL;
    return failed;
}

void wmfClose(WmfDrawing* drawing)
{
    if (drawing == NULL)
        return;
    if (drawing->api != NULL)
        wmf_api_destroy(drawing->api);
    free(drawing);
}
