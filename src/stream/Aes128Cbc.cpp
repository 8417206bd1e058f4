// Segment decryption on nettle's AES.
#include "Aes128Cbc.h"

#include <nettle/aes.h>
#include <nettle/cbc.h>

#include <cstring>

QByteArray aes128CbcDecrypt(QByteArrayView data, QByteArrayView key, QByteArrayView iv)
{
    if (key.size() != AES128_KEY_SIZE || iv.size() != AES_BLOCK_SIZE || data.isEmpty() ||
        data.size() % AES_BLOCK_SIZE != 0)
        return {};
    aes128_ctx ctx;
    aes128_set_decrypt_key(&ctx, reinterpret_cast<const uint8_t *>(key.data()));
    uint8_t chain[AES_BLOCK_SIZE];
    std::memcpy(chain, iv.data(), AES_BLOCK_SIZE);
    QByteArray out(data.size(), Qt::Uninitialized);
    cbc_decrypt(&ctx, reinterpret_cast<nettle_cipher_func *>(aes128_decrypt), AES_BLOCK_SIZE, chain,
                size_t(data.size()), reinterpret_cast<uint8_t *>(out.data()),
                reinterpret_cast<const uint8_t *>(data.data()));
    const int pad = uint8_t(out.back());
    if (pad < 1 || pad > AES_BLOCK_SIZE)
        return {};
    for (qsizetype i = out.size() - pad; i < out.size(); ++i)
        if (uint8_t(out[i]) != pad)
            return {};
    out.chop(pad);
    return out;
}

QByteArray sequenceIv(qint64 sequence)
{
    QByteArray iv(AES_BLOCK_SIZE, '\0');
    for (int i = 0; i < 8; ++i)
        iv[AES_BLOCK_SIZE - 1 - i] = char((quint64(sequence) >> (8 * i)) & 0xff);
    return iv;
}
