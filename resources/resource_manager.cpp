// ResourceManager: the cache of reloadable programs, keyed by the ordered stage-to-file map.
// Only records paths; reading and compiling wait for each program's first rebuild.
#include "resources/resource_manager.h"

std::shared_ptr<ShaderProgram> ResourceManager::getShaderProgram(const std::map<int32_t, std::string>& stages)
{
    ShaderSet key;
    for (const auto& [stage, path] : stages)
        key[stage] = AssetShader(path);
    return findOrCreate(key);
}

std::shared_ptr<ShaderProgram> ResourceManager::findOrCreate(const ShaderSet& key)
{
    std::shared_ptr<ShaderProgram>& entry = programs[key];
    if (!entry)
        entry = std::make_shared<ShaderProgram>(key);
    return entry;
}
