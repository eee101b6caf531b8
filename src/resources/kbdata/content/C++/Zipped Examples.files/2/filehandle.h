// Owns a C stdio file: opened in the constructor, closed in the destructor.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

class FileHandle {
public:
    FileHandle(const std::string &path, const char *mode)
        : f_(std::fopen(path.c_str(), mode))
    {
        if (f_ == nullptr)
            throw std::runtime_error("cannot open " + path);
    }

    ~FileHandle()
    {
        if (f_ != nullptr)
            std::fclose(f_);
    }

    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;

    FileHandle(FileHandle &&other) noexcept : f_(std::exchange(other.f_, nullptr)) {}

    FileHandle &operator=(FileHandle &&other) noexcept
    {
        if (this != &other) {
            if (f_ != nullptr)
                std::fclose(f_);
            f_ = std::exchange(other.f_, nullptr);
        }
        return *this;
    }

    std::FILE *get() const { return f_; }

private:
    std::FILE *f_;
};
