/*
 * The decoder-module boundary: the record a module describes its stream in,
 * and the eight entry points every module exports. Plain C, shared by the
 * program and the modules, so both are built against one declaration.
 *
 * A module exports exactly these symbols (unmangled, default visibility):
 *   init, openFeed, valid, scan, feed, decodeFrame, getInfo, finish
 * Every call into a module is made with the engine's decoder lock held, so a
 * module never sees two calls at once; it may still have several feed
 * handles open (the stream and the event-sound player decode side by side).
 */
#ifndef WAVELARK_DECODER_H
#define WAVELARK_DECODER_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* OSS sample formats (AFMT_ values) used for the decoded output. */
#define WAVELARK_AFMT_MU_LAW 0x00000001u
#define WAVELARK_AFMT_A_LAW 0x00000002u
#define WAVELARK_AFMT_IMA_ADPCM 0x00000004u
#define WAVELARK_AFMT_U8 0x00000008u
#define WAVELARK_AFMT_S16_LE 0x00000010u
#define WAVELARK_AFMT_S16_BE 0x00000020u
#define WAVELARK_AFMT_S8 0x00000040u
#define WAVELARK_AFMT_U16_LE 0x00000080u

/* Channel masks in the supported-format table handed to openFeed. */
#define WAVELARK_CHANNELS_MONO 1
#define WAVELARK_CHANNELS_STEREO 2
#define WAVELARK_CHANNELS_BOTH 3

/* Flags bit 0: rate, channels and format are valid. */
#define WAVELARK_INFO_FORMAT_VALID 0x00000001u

/* Channel modes. */
#define WAVELARK_MODE_STEREO 0u
#define WAVELARK_MODE_JOINT_STEREO 1u
#define WAVELARK_MODE_DUAL 2u
#define WAVELARK_MODE_MONO 3u

#define WAVELARK_INFO_DESCRIPTION_SIZE 128

/*
 * Module-owned description of the stream, returned by getInfo. The texts it
 * points to belong to the module and stay valid until the next call on the
 * same handle. On a 32-bit target the record is 168 bytes with the offsets
 * checked below; elsewhere the same fields in the same order.
 */
typedef struct DecoderInfo
{
    const char *title;  /* or NULL */
    const char *artist; /* or NULL */
    const char *album;  /* or NULL */
    uint32_t rate;      /* Hz */
    uint32_t reserved;  /* never read by the program */
    uint32_t bitrate;   /* kbit/s */
    uint32_t channels;
    uint32_t mode;                                    /* WAVELARK_MODE_* */
    uint32_t format;                                  /* WAVELARK_AFMT_* of the decoded output */
    char description[WAVELARK_INFO_DESCRIPTION_SIZE]; /* zero-terminated */
    uint32_t flags;                                   /* WAVELARK_INFO_FORMAT_VALID */
} DecoderInfo;

#ifdef __cplusplus
#define WAVELARK_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define WAVELARK_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#if defined(__SIZEOF_POINTER__) && __SIZEOF_POINTER__ == 4
WAVELARK_STATIC_ASSERT(offsetof(DecoderInfo, title) == 0, "title at 0");
WAVELARK_STATIC_ASSERT(offsetof(DecoderInfo, artist) == 4, "artist at 4");
WAVELARK_STATIC_ASSERT(offsetof(DecoderInfo, album) == 8, "album at 8");
WAVELARK_STATIC_ASSERT(offsetof(DecoderInfo, rate) == 12, "rate at 12");
WAVELARK_STATIC_ASSERT(offsetof(DecoderInfo, reserved) == 16, "reserved at 16");
WAVELARK_STATIC_ASSERT(offsetof(DecoderInfo, bitrate) == 20, "bitrate at 20");
WAVELARK_STATIC_ASSERT(offsetof(DecoderInfo, channels) == 24, "channels at 24");
WAVELARK_STATIC_ASSERT(offsetof(DecoderInfo, mode) == 28, "mode at 28");
WAVELARK_STATIC_ASSERT(offsetof(DecoderInfo, format) == 32, "format at 32");
WAVELARK_STATIC_ASSERT(offsetof(DecoderInfo, description) == 36, "description at 36");
WAVELARK_STATIC_ASSERT(offsetof(DecoderInfo, flags) == 164, "flags at 164");
WAVELARK_STATIC_ASSERT(sizeof(DecoderInfo) == 168, "168 bytes");
#endif
/* On every target: the numbers are 32 bits wide and packed without gaps. */
#define WAVELARK_FIELD_SIZE(field) sizeof(((DecoderInfo *)0)->field)
WAVELARK_STATIC_ASSERT(WAVELARK_FIELD_SIZE(rate) == 4 && WAVELARK_FIELD_SIZE(reserved) == 4 &&
                           WAVELARK_FIELD_SIZE(bitrate) == 4 &&
                           WAVELARK_FIELD_SIZE(channels) == 4 && WAVELARK_FIELD_SIZE(mode) == 4 &&
                           WAVELARK_FIELD_SIZE(format) == 4 && WAVELARK_FIELD_SIZE(flags) == 4,
                       "32-bit numbers");
#undef WAVELARK_FIELD_SIZE
WAVELARK_STATIC_ASSERT(offsetof(DecoderInfo, description) - offsetof(DecoderInfo, rate) == 24,
                       "six 32-bit fields between the pointers and the description");
WAVELARK_STATIC_ASSERT(offsetof(DecoderInfo, flags) - offsetof(DecoderInfo, description) == 128,
                       "128-byte description");

/* The display word of a channel mode, or "" for any other value. */
static inline const char *wavelark_channel_mode_name(uint32_t mode)
{
    switch (mode) {
    case WAVELARK_MODE_STEREO: return "Stereo";
    case WAVELARK_MODE_JOINT_STEREO: return "Joint Stereo";
    case WAVELARK_MODE_DUAL: return "Dual";
    case WAVELARK_MODE_MONO: return "Mono";
    default: return "";
    }
}

/*
 * Entry points. Handles are plain ints. The supported-format table is
 * `count` triples of ints {AFMT_ format, channel mask, rate in Hz}.
 *
 * init:        0 = ready, anything else = unusable.
 * openFeed:    a feed handle, or -1.
 * valid:       1 = the module can decode data that begins like this.
 * scan:        resolved and required, never called.
 * feed:        0 = accepted, anything else = error.
 * decodeFrame: -1 error; 0 = *pcm and *length hold a decoded frame (module-owned,
 *              valid until the next call), 0 with length 0 = end of data;
 *              1 = like 0 and the stream information changed; 2 = more input
 *              is needed.
 * getInfo:     module-owned record, or NULL.
 * finish:      ends the feed and frees the handle.
 */
typedef int (*WavelarkInitFn)(int verbosity);
typedef int (*WavelarkOpenFeedFn)(const int *formats, int count);
typedef int (*WavelarkValidFn)(int handle, const unsigned char *data, int length);
typedef int (*WavelarkScanFn)(int handle, const unsigned char *data, int length);
typedef int (*WavelarkFeedFn)(int handle, const unsigned char *data, int length);
typedef int (*WavelarkDecodeFrameFn)(int handle, const unsigned char **pcm, int *length);
typedef const DecoderInfo *(*WavelarkGetInfoFn)(int handle);
typedef void (*WavelarkFinishFn)(int handle);

#if defined(__GNUC__)
#define WAVELARK_MODULE_EXPORT __attribute__((visibility("default")))
#else
#define WAVELARK_MODULE_EXPORT
#endif

#ifdef __cplusplus
}
#endif

#endif /* WAVELARK_DECODER_H */
