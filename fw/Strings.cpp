// String table access.
#include "fw/Strings.h"

#include <cstdarg>

#include "fw/Prompt.h"

namespace fw {

std::string LoadStr(UINT id) {
    char buf[1024];
    int n = LoadStringA(GetModuleHandleA(nullptr), id, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

std::string FormatStr(UINT id, ...) {
    std::string fmt = LoadStr(id);
    char out[1025];
    va_list ap;
    va_start(ap, id);
    int n = wvsprintfA(out, fmt.c_str(), ap);
    va_end(ap);
    return std::string(out, n > 0 ? n : 0);
}

int MessageId(UINT id, UINT type) { return MessageText(LoadStr(id), type); }

}  // namespace fw
