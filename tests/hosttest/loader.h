#pragma once

// Loads a plug-in binary and finds an exported function in it: dlopen on ELF systems,
// LoadLibrary on Windows (loader_posix.cpp / loader_win32.cpp).
class PluginLibrary {
public:
    explicit PluginLibrary(const char* path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    void* symbol(const char* name) const;
    const char* error() const { return error_; }

private:
    void* handle_ = nullptr;
    const char* error_ = "";
};
