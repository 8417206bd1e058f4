/*
 * A decoder module whose behaviour the test data decides. The data begins
 * with a 40-byte header:
 *   "WLTEST01", then ten... little-endian uint32 fields:
 *   acceptAfter  valid() answers 1 only once this many bytes are offered
 *   rate, channels
 *   frameBytes   output frame size
 *   failFeedAt   feed number (1-based) that fails; 0 never
 *   failDecodeAt frame number (1-based) whose decodeFrame returns -1; 0 never
 *   changeAt     frame number at which the rate becomes rate2 (result 1)
 *   rate2
 * The rest is PCM, handed out unchanged in frames of frameBytes.
 *
 * Built several times with different MODULE_* definitions: a plain module,
 * one that refuses everything (one of them slowly), one whose second openFeed fails, and one
 * that lacks an entry point.
 */
#include <wavelark/decoder.h>

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#define HEADER 40
#define MAX_HANDLES 16

typedef struct
{
    int used;
    unsigned char header[HEADER];
    int headerFill;
    unsigned char *pending;
    size_t pendingLen, pendingCap;
    unsigned char *frame;
    unsigned frames, feeds;
    DecoderInfo info;
} Feed;

static Feed feeds[MAX_HANDLES];
static int opens;

static unsigned field(const unsigned char *h, int i)
{
    const unsigned char *p = h + 8 + 4 * i;
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((unsigned)p[3] << 24);
}

WAVELARK_MODULE_EXPORT int init(int verbosity)
{
    (void)verbosity;
    return 0;
}

WAVELARK_MODULE_EXPORT int openFeed(const int *formats, int count)
{
    (void)formats;
    (void)count;
    ++opens;
#ifdef MODULE_SECOND_OPEN_FAILS
    if (opens % 2 == 0)
        return -1;
#endif
    for (int i = 0; i < MAX_HANDLES; ++i) {
        if (!feeds[i].used) {
            memset(&feeds[i], 0, sizeof feeds[i]);
            feeds[i].used = 1;
            return i;
        }
    }
    return -1;
}

WAVELARK_MODULE_EXPORT int valid(int handle, const unsigned char *data, int length)
{
    (void)handle;
#ifdef MODULE_SLOW_REFUSE
    (void)data;
    (void)length;
    usleep(20000);
    return 0;
#elif defined(MODULE_REFUSE)
    (void)data;
    (void)length;
    return 0;
#else
    if (length < HEADER || memcmp(data, "WLTEST01", 8) != 0)
        return 0;
    return (unsigned)length >= field(data, 0) ? 1 : 0;
#endif
}

#ifndef MODULE_MISSING_SCAN
WAVELARK_MODULE_EXPORT int scan(int handle, const unsigned char *data, int length)
{
    (void)handle;
    (void)data;
    (void)length;
    return 0;
}
#endif

WAVELARK_MODULE_EXPORT int feed(int handle, const unsigned char *data, int length)
{
    Feed *f = &feeds[handle];
    ++f->feeds;
    if (f->headerFill == HEADER && field(f->header, 4) && f->feeds == field(f->header, 4))
        return -1;
    while (length > 0 && f->headerFill < HEADER) {
        f->header[f->headerFill++] = *data++;
        --length;
    }
    if (f->pendingLen + (size_t)length > f->pendingCap) {
        f->pendingCap = (f->pendingLen + (size_t)length) * 2;
        f->pending = realloc(f->pending, f->pendingCap);
    }
    memcpy(f->pending + f->pendingLen, data, (size_t)length);
    f->pendingLen += (size_t)length;
    return 0;
}

WAVELARK_MODULE_EXPORT int decodeFrame(int handle, const unsigned char **pcm, int *length)
{
    Feed *f = &feeds[handle];
    *pcm = NULL;
    *length = 0;
    if (f->headerFill < HEADER)
        return 2;
    const unsigned frameBytes = field(f->header, 3);
    if (f->pendingLen < frameBytes || frameBytes == 0)
        return 2;
    ++f->frames;
    if (field(f->header, 5) && f->frames == field(f->header, 5))
        return -1;
    free(f->frame);
    f->frame = malloc(frameBytes);
    memcpy(f->frame, f->pending, frameBytes);
    memmove(f->pending, f->pending + frameBytes, f->pendingLen - frameBytes);
    f->pendingLen -= frameBytes;
    *pcm = f->frame;
    *length = (int)frameBytes;
    int result = 0;
    if (f->frames == 1 || f->frames == field(f->header, 6)) {
        const int changed = f->frames == field(f->header, 6);
        f->info.rate = changed ? field(f->header, 7) : field(f->header, 1);
        f->info.channels = field(f->header, 2);
        f->info.mode = f->info.channels == 1 ? WAVELARK_MODE_MONO : WAVELARK_MODE_JOINT_STEREO;
        f->info.format = WAVELARK_AFMT_S16_LE;
        f->info.bitrate = 128;
        f->info.flags = WAVELARK_INFO_FORMAT_VALID;
        f->info.title = "Test Title";
        strcpy(f->info.description, "Test PCM");
        result = 1;
    }
    return result;
}

WAVELARK_MODULE_EXPORT const DecoderInfo *getInfo(int handle)
{
    return &feeds[handle].info;
}

WAVELARK_MODULE_EXPORT void finish(int handle)
{
    if (handle < 0 || handle >= MAX_HANDLES)
        return;
    free(feeds[handle].pending);
    free(feeds[handle].frame);
    memset(&feeds[handle], 0, sizeof feeds[handle]);
}
