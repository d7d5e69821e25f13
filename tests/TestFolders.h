// Test helpers: scratch folders, restored environment variables, a scratch data folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

/// A fresh folder under the system's temporary folder, removed with its contents.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "veltrix-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    /// The folder's path without a trailing "/".
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(*this / name, std::ios::binary) << bytes;
    }

  private:
    std::string path_;
};

/// Sets (or unsets, for nullopt) an environment variable and restores it when destroyed.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, std::optional<std::string> value) : name_(name) {
        old_ = getenv(name) ? std::optional<std::string>(getenv(name)) : std::nullopt;
        Apply(value);
    }
    ~ScopedEnvironment() { Apply(old_); }

  private:
    void Apply(const std::optional<std::string>& value) const {
        value ? setenv(name_.c_str(), value->c_str(), 1) : unsetenv(name_.c_str());
    }
    std::string name_;
    std::optional<std::string> old_;
};

/// The whole file as bytes, or nullopt when it cannot be opened.
inline std::optional<std::string> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// A test whose data folder (XDG_DATA_HOME) is a scratch folder without the plug-in folders.
class DataFolderTest : public ::testing::Test {
  protected:
    ScratchFolder data;
    ScopedEnvironment xdg{"XDG_DATA_HOME", data.path()};
    const std::string presets = data.path() + "/Orvane/vxplugin/preset/";
    const std::string guides = data.path() + "/Orvane/vxplugin/guide/";
};
