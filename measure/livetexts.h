#pragma once

#include "measure/frame.h"

#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

namespace korvane::measure {

constexpr int kLiveRows = 6;

// What one live frame does to the six caption and six value displays: a new text, or nullopt
// where the display keeps the text it shows.
struct LiveTexts
{
    std::array<std::optional<QString>, kLiveRows> captions;
    std::array<std::optional<QString>, kLiveRows> values;
};

// Captions for the frame's type and sub-index; any other type leaves all six unchanged.
void setcaptions(const FrameState& state, LiveTexts& out);

// The four decoders. Each expects at least bytesNeeded(type) bytes of rxbuf.
void showtype0(QByteArrayView rxbuf, quint8 framesub, LiveTexts& out);
void showtype1(QByteArrayView rxbuf, LiveTexts& out);
void showtype2(QByteArrayView rxbuf, LiveTexts& out);
void showtype3(QByteArrayView rxbuf, LiveTexts& out);

// Captions first, then the decoder of state.frametype. rxbuf must hold bytesNeeded(frametype).
LiveTexts framedispatch(QByteArrayView rxbuf, const FrameState& state);

// Entry for a received live frame: takes frametype (and framesub for types 0 and 3) from rxbuf,
// then dispatches. A block too short for its type is not decoded: state and displays stay as
// they are. Bytes beyond position 19 are ignored.
LiveTexts rxframe(QByteArrayView rxbuf, FrameState& state);

} // namespace korvane::measure
