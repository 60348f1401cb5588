#pragma once
// Frames on the logger line, shared by the communications program and the
// simulated logger: command and data frames with their "%.3d" XOR checksum,
// the acknowledgement lines, the OK frame and the 1031-byte block frames.
// Both ends build and check frames here so the byte layout exists only once.
#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

namespace nuvar {

namespace Steuerzeichen {
inline constexpr char STX = 0x02;
inline constexpr char LF = 0x0A;
inline constexpr char ETX = 0x03;
inline constexpr char ETB = 0x17;
inline constexpr char ACK = 0x06;
inline constexpr char NAK = 0x15;
inline constexpr char CR = 0x0D;
}  // namespace Steuerzeichen

inline constexpr int kBlockDaten = 1024;   // data bytes in one block
inline constexpr int kBlockLaenge = 1031;  // whole block frame, CR included

// XOR of all bytes.
std::uint8_t XorSumme(QByteArrayView bytes);
// The three checksum digits ("%.3d") of a sum.
QByteArray PruefZiffern(std::uint8_t summe);

// STX, LF, payload, ETX, the checksum digits of STX..ETX, CR.
QByteArray BaueRahmen(QByteArrayView payload);
// STX, LF, 1024 data bytes, end byte (ETX, or ETB for the last block of a
// download), the checksum digits of STX..end byte, CR. Throws ERangeError
// unless exactly 1024 data bytes are given.
QByteArray BaueBlock(QByteArrayView daten, char endeByte = Steuerzeichen::ETX);

// STX, LF, ACK, ETX, CR and the same with NAK: no checksum.
QByteArray AckZeile();
QByteArray NakZeile();
// The logger's confirmation: the data frame of "OK    " (digits 015).
QByteArray OkRahmen();

// Checks a received frame given without its CR (a line or a block): the
// last three characters read as a decimal number modulo 256 (0 when they are
// no number) must equal the XOR of everything before them. Returns the
// payload between LF and the end byte, or an empty array when the check
// fails. A frame of an empty payload therefore gives an empty result too.
QByteArray PruefeRahmen(QByteArrayView ohneCR);

// The end byte (ETX or ETB) of a frame given without its CR, or 0 when the
// frame is too short to have one.
char EndeByte(QByteArrayView ohneCR);

}  // namespace nuvar
