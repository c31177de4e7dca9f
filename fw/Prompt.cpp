// The prompt registry and the silent default that answers every question with its default button.
#include "fw/Prompt.h"

namespace fw {
namespace {

class SilentPrompt : public IPrompt {
public:
    int Message(HWND, const std::string& text, UINT type) override {
        OutputDebugStringA((text + "\n").c_str());
        return DefaultAnswer(type);
    }
};

SilentPrompt g_silent;
IPrompt* g_prompt = &g_silent;
HWND g_owner = nullptr;

}  // namespace

int DefaultAnswer(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_YESNO:
        case MB_YESNOCANCEL: return (type & MB_DEFMASK) == MB_DEFBUTTON1 ? IDYES : IDNO;
        case MB_OKCANCEL: return (type & MB_DEFMASK) == MB_DEFBUTTON1 ? IDOK : IDCANCEL;
        default: return IDOK;
    }
}

IPrompt& Prompt() { return *g_prompt; }

IPrompt* SetPrompt(IPrompt* p) {
    IPrompt* old = g_prompt;
    g_prompt = p ? p : &g_silent;
    return old == &g_silent ? nullptr : old;
}

void SetMessageOwner(HWND owner) { g_owner = owner; }

int MessageText(const std::string& text, UINT type) { return Prompt().Message(g_owner, text, type); }

}  // namespace fw
