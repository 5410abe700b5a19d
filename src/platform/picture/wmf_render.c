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

int wmfRenderPng(const unsigned char* data, long length, unsigned width, unsigned height,
                 wmf_png_sink sink, void* context)
{
    wmfD_Rect bbox;
    wmf_gd_t* device;
    wmf_error_t played;
    wmf_error_t closed;
    wmfAPI* api;

    if (width == 0 || height == 0 || sink == NULL)
        return 1;
    api = openMetafile(data, length, &bbox);
    if (api == NULL)
        return 1;

    device = WMF_GD_GetData(api);
    if ((device->flags & WMF_GD_SUPPORTS_PNG) == 0) {
        wmf_api_destroy(api);
        return 1;
    }
    device->type = wmf_gd_png;
    device->flags |= WMF_GD_OUTPUT_MEMORY | WMF_GD_OWN_BUFFER;
    device->sink.context = context;
    device->sink.function = sink;
    device->file = NULL;
    device->bbox = bbox;
    device->width = width;
    device->height = height;

    played = wmf_play(api, 0, &bbox);
    closed = wmf_api_destroy(api);
    return played != wmf_E_None || closed != wmf_E_None;
}
