// The values that orbitview's headless run and the frame benchmark both read from their command
// lines: an output size (written "W H" by one and "WxH" by the other), a frame count, a fixed
// time step and an EGL device. Each is parsed, bounded and worded here once; the programs keep
// their own spellings and their own options. Pure logic; no GL.
#pragma once

#include <string>

// The largest width or height either program accepts.
constexpr int kMaxOutputSize = 16384;
// The most frames either program runs (the benchmark keeps every frame's figures).
constexpr long kMaxFrames = 1000000;

// A whole number from minimum to maximum, digits only (a leading minus for negatives).
bool parseWhole(const std::string& text, long minimum, long maximum, long& value);
// A size of 1 to kMaxOutputSize.
bool parseOutputSize(const std::string& text, int& size);
// "1280x720" into width and height, both 1 .. kMaxOutputSize; false for anything else.
bool parseSizeWxH(const std::string& text, int& width, int& height);

// Each of these sets value and returns true, or leaves it and returns false with a one-line
// message in error naming the option and the text (no line end).
bool parseCount(const std::string& option, const std::string& text, long minimum, long& value, std::string& error);
bool parseFixedDt(const std::string& text, double& seconds, std::string& error);
// A device number, or "list" (which sets list and leaves gpu).
bool parseGpu(const std::string& text, int& gpu, bool& list, std::string& error);
