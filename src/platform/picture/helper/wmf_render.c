/* No Qt header may be included here: see wmf_render.h. */
#include "wmf_render.h"

#include <libwmf/api.h>
#include <libwmf/gd.h>

#include <stddef.h>

/* Errors are reported to the caller through the return value; libwmf's own
   messages on stderr would only confuse a reader of a broken book. */
static wmfAPI* openMetafile(const unsigned char* data, long length, wmfD_Rect* bbox)
{
    wmfAPI* api = NULL;
    wmfAPI_Options options;
    unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR
                          | WMF_OPT_NO_DEBUG;

    if (data == NULL || length <= 0)
        return NULL;

    options.function = wmf_gd_function;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api != NULL)
            wmf_api_destroy(api);
        return NULL;
    }
    /* libwmf only reads the buffer; its interface merely lacks the const. */
    if (wmf_mem_open(api, (unsigned char*)data, length) != wmf_E_None
        || wmf_scan(api, 0, bbox) != wmf_E_None) {
        wmf_api_destroy(api);
        return NULL;
    }
    return api;
}

int wmfMeasureTwips(const unsigned char* data, long length, double* widthTwips,
                    double* heightTwips)
{
    wmfD_Rect bbox;
    unsigned int width = 0;
    unsigned int height = 0;
    wmfAPI* api = openMetafile(data, length, &bbox);
    int failed;

    if (api == NULL)
        return 1;
    /* A display of 1440 dots per inch measures in twips. */
    failed = wmf_display_size(api, &width, &height, 1440.0, 1440.0) != wmf_E_None
             || width == 0 || height == 0;
    wmf_api_destroy(api);
    if (failed)
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

int wmfRenderPixels(const unsigned char* data, long length, unsigned width, unsigned height,
                    unsigned int* argb)
{
    wmfD_Rect bbox;
    wmf_gd_t* device;
    wmfAPI* api;
    int* pixels;
    unsigned long i;
    unsigned long count = (unsigned long)width * height;
    int failed;

    if (width == 0 || height == 0 || argb == NULL)
        return 1;
    api = openMetafile(data, length, &bbox);
    if (api == NULL)
        return 1;

    device = WMF_GD_GetData(api);
    device->type = wmf_gd_image;
    device->file = NULL;
    device->bbox = bbox;
    device->width = width;
    device->height = height;

    failed = wmf_play(api, 0, &bbox) != wmf_E_None || device->gd_image == NULL;
    pixels = failed ? NULL : wmf_gd_image_pixels(device->gd_image);
    if (pixels != NULL)
        for (i = 0; i < count; ++i)
            argb[i] = premultipliedFromGd(pixels[i]);
    /* The picture is ours now; the helper ends right after, so gd's image is left to the exit. */
    wmf_api_destroy(api);
    return pixels == NULL;
}
