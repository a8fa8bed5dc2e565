#pragma once

#include <QByteArray>

#include <cmath>
#include <numbers>

namespace kvx::test {

inline void appendLe(QByteArray& bytes, quint32 value, int size)
{
    for (int i = 0; i < size; ++i) {
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// A 16-bit mono PCM wave file holding a sine tone.
inline QByteArray waveBytes(int ms, double frequency = 440.0, double amplitude = 8000.0)
{
    constexpr quint32 rate = 22050;
    const quint32 samples = rate * static_cast<quint32>(ms) / 1000;
    QByteArray bytes("RIFF");
    appendLe(bytes, 36 + samples * 2, 4);
    bytes.append("WAVEfmt ");
    appendLe(bytes, 16, 4);
    appendLe(bytes, 1, 2); // PCM
    appendLe(bytes, 1, 2); // mono
    appendLe(bytes, rate, 4);
    appendLe(bytes, rate * 2, 4);
    appendLe(bytes, 2, 2);
    appendLe(bytes, 16, 2);
    bytes.append("data");
    appendLe(bytes, samples * 2, 4);
    for (quint32 i = 0; i < samples; ++i) {
        const double sample = amplitude * std::sin(2.0 * std::numbers::pi * frequency * i / rate);
        appendLe(bytes, static_cast<quint32>(static_cast<qint16>(std::lround(sample))) & 0xFFFF, 2);
    }
    return bytes;
}

} // namespace kvx::test
