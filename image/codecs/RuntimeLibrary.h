// A shared library the program opens itself when a picture first needs it,
// rather than one the loader opens at every start. libheif and libavif bring
// some thirty libraries with them (the HEVC and AV1 coders and what those
// use): loading and linking them took a third of the start of every run,
// whether it read such a picture or not.
#pragma once

#include <string>

namespace pximage {

class RuntimeLibrary {
public:
    // Opens the library of this file name (its soname); never closed.
    explicit RuntimeLibrary(const char* file);
    RuntimeLibrary(const RuntimeLibrary&) = delete;
    RuntimeLibrary& operator=(const RuntimeLibrary&) = delete;

    // Points function at the library's function of this name; false when
    // the library or the function is missing.
    template <class Function>
    bool Find(Function*& function, const char* name) const
    {
        function = reinterpret_cast<Function*>(Symbol(name));
        return function != nullptr;
    }
    // Why the library or a function is missing, in words; empty while nothing is.
    const std::string& Problem() const { return m_problem; }

private:
    void* Symbol(const char* name) const;

    void* m_handle;
    mutable std::string m_problem;
};

}  // namespace pximage
