#pragma once

#include <QtGlobal>

// The 16-bit key and character codes the window's key handlers pass around.
namespace keycode {

constexpr qint16 Backspace = 8;
constexpr qint16 Tab = 9;
constexpr qint16 Enter = 13;  // carriage return
constexpr qint16 Delete = 46; // the Delete key's code, from a key-down event

} // namespace keycode
