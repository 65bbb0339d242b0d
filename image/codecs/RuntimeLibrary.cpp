#include "image/codecs/RuntimeLibrary.h"

#include <dlfcn.h>

namespace pximage {

RuntimeLibrary::RuntimeLibrary(const char* file) : m_handle(::dlopen(file, RTLD_NOW | RTLD_LOCAL))
{
    if (!m_handle) {
        const char* why = ::dlerror();
        m_problem = std::string(file) + " cannot be opened" + (why ? std::string(" (") + why + ")" : "");
    }
}

void* RuntimeLibrary::Symbol(const char* name) const
{
    if (!m_handle)
        return nullptr;
    void* symbol = ::dlsym(m_handle, name);
    if (!symbol && m_problem.empty())
        m_problem = std::string("the library lacks ") + name;
    return symbol;
}

}  // namespace pximage
