// PNG fixtures for the texture tests, written into the run's temporary folder.
#pragma once

#include <string>
#include <vector>

// Writes a w x h PNG with 1 to 4 channels (rows top first) and returns its path.
std::string writePngFixture(const std::string& name, int width, int height, int channels,
                            const std::vector<unsigned char>& pixels);
