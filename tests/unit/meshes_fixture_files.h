// Tiny fixture files for the mesh and texture tests, written into a per-run temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <unistd.h>

// Writes content to a file of the given name in this run's temporary folder and returns its path.
inline std::string writeMeshFixture(const std::string& name, const std::string& content)
{
    const std::string path = ::testing::TempDir() + "orbitview_meshes_" + std::to_string(getpid()) + "_" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return path;
}

// Path in this run's temporary folder that no test ever writes.
inline std::string missingMeshFixture(const std::string& name)
{
    return ::testing::TempDir() + "orbitview_meshes_" + std::to_string(getpid()) + "_missing_" + name;
}
