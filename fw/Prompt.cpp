// The real prompt, which shows the platform's message boxes.
#include "fw/Prompt.h"

namespace fw {
namespace {

class RealPrompt : public IPrompt {
public:
    int Message(HWND owner, const std::string& text, UINT type) override {
        char title[128];
        if (!LoadStringA(GetModuleHandleA(nullptr), 57344, title, sizeof title)) title[0] = 0;
        return MessageBoxA(owner, text.c_str(), title, type | MB_TASKMODAL);
    }
};

RealPrompt g_real;
IPrompt* g_prompt = &g_real;
HWND g_owner = nullptr;

}  // namespace

IPrompt& Prompt() { return *g_prompt; }

IPrompt* SetPrompt(IPrompt* p) {
    IPrompt* old = g_prompt;
    g_prompt = p ? p : &g_real;
    return old == &g_real ? nullptr : old;
}

void SetMessageOwner(HWND owner) { g_owner = owner; }

int MessageText(const std::string& text, UINT type) { return Prompt().Message(g_owner, text, type); }

}  // namespace fw
