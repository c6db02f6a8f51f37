// ResourceManager: hands out shared ShaderPrograms keyed by their stage-to-file map, so that
// equal requests share one program. Never reads a file: programs build on their first rebuild.
#pragma once

#include "resources/file.h"
#include "resources/shader_program.h"

#include <map>
#include <memory>
#include <string>

class ResourceManager {
public:
    virtual ~ResourceManager() = default;
    // The program for these files (paths relative to the working directory); never empty, not built.
    std::shared_ptr<ShaderProgram> getShaderProgram(const std::map<int32_t, std::string>& stages);
    std::shared_ptr<ShaderProgram> findOrCreate(const ShaderSet& key);

    std::map<ShaderSet, std::shared_ptr<ShaderProgram>> programs;
};
