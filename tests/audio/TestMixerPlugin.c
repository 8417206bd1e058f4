/* An ALSA control plugin with two volume elements and no hardware behind
 * them, so that the OSS emulation library can open "/dev/mixer" on a machine
 * without a sound card. Loaded by libasound from the test's own .asoundrc. */
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>

#define ELEMENTS 2
static const char *const names[ELEMENTS] = {"Master Playback Volume", "PCM Playback Volume"};

typedef struct
{
    snd_ctl_ext_t ext;
    long levels[ELEMENTS][2];
} TestMixer;

static int elemCount(snd_ctl_ext_t *ext)
{
    (void)ext;
    return ELEMENTS;
}

static int elemList(snd_ctl_ext_t *ext, unsigned int offset, snd_ctl_elem_id_t *id)
{
    (void)ext;
    if (offset >= ELEMENTS)
        return -EINVAL;
    snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_id_set_name(id, names[offset]);
    return 0;
}

static snd_ctl_ext_key_t findElem(snd_ctl_ext_t *ext, const snd_ctl_elem_id_t *id)
{
    (void)ext;
    for (int i = 0; i < ELEMENTS; i++)
        if (strcmp(snd_ctl_elem_id_get_name(id), names[i]) == 0)
            return (snd_ctl_ext_key_t)i;
    return SND_CTL_EXT_KEY_NOT_FOUND;
}

static int getAttribute(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, int *type, unsigned int *acc,
                        unsigned int *count)
{
    (void)ext;
    (void)key;
    *type = SND_CTL_ELEM_TYPE_INTEGER;
    *acc = SND_CTL_EXT_ACCESS_READWRITE;
    *count = 2;
    return 0;
}

static int getIntegerInfo(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *min, long *max,
                          long *step)
{
    (void)ext;
    (void)key;
    *min = 0;
    *max = 100;
    *step = 1;
    return 0;
}

static int readInteger(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *value)
{
    TestMixer *m = ext->private_data;
    value[0] = m->levels[key][0];
    value[1] = m->levels[key][1];
    return 0;
}

static int writeInteger(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *value)
{
    TestMixer *m = ext->private_data;
    const int changed = m->levels[key][0] != value[0] || m->levels[key][1] != value[1];
    m->levels[key][0] = value[0];
    m->levels[key][1] = value[1];
    return changed;
}

static int readEvent(snd_ctl_ext_t *ext, snd_ctl_elem_id_t *id, unsigned int *mask)
{
    (void)ext;
    (void)id;
    (void)mask;
    return -EAGAIN;
}

static void closeMixer(snd_ctl_ext_t *ext)
{
    free(ext->private_data);
}

static const snd_ctl_ext_callback_t callbacks = {
    .close = closeMixer,
    .elem_count = elemCount,
    .elem_list = elemList,
    .find_elem = findElem,
    .get_attribute = getAttribute,
    .get_integer_info = getIntegerInfo,
    .read_integer = readInteger,
    .write_integer = writeInteger,
    .read_event = readEvent,
};

SND_CTL_PLUGIN_DEFINE_FUNC(wavelark_test_mixer)
{
    (void)root;
    (void)conf;
    TestMixer *m = calloc(1, sizeof *m);
    if (!m)
        return -ENOMEM;
    m->ext.version = SND_CTL_EXT_VERSION;
    strcpy(m->ext.id, "TestMixer");
    strcpy(m->ext.driver, "TestMixer");
    strcpy(m->ext.name, "TestMixer");
    strcpy(m->ext.longname, "TestMixer");
    strcpy(m->ext.mixername, "TestMixer");
    m->ext.poll_fd = -1;
    m->ext.callback = &callbacks;
    m->ext.private_data = m;
    const int err = snd_ctl_ext_create(&m->ext, name, mode);
    if (err < 0) {
        free(m);
        return err;
    }
    *handlep = m->ext.handle;
    return 0;
}
SND_CTL_PLUGIN_SYMBOL(wavelark_test_mixer);
