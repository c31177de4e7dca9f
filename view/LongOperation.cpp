// The worker thread of long operations, the calls it hands back to the window thread, and the
// progress window.
#include "view/LongOperation.h"

#include <commctrl.h>

#include <exception>
#include <mutex>
#include <thread>

#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "fw/win/Dialog.h"
#include "resource.h"
#include "store/Repository.h"
#include "store/ShellLink.h"
#include "string_ids.h"
#include "view/RowModel.h"

namespace view {
namespace {

constexpr UINT kCallMessage = WM_APP + 0x60;
// The event set when the worker of the operation this thread is running ends; null when none.
// A message dispatched meanwhile (another process handing over paths) may start one more.
thread_local HANDLE t_running = nullptr;
constexpr DWORD kRefreshMs = 100;
const char kCallClass[] = "BrennaholdThreadCall";

std::string BytesText(uint64_t bytes) {
    constexpr uint64_t kGB = 1ull << 30;
    if (bytes <= 0xFFFFFFFFull) return SizeText(static_cast<DWORD>(bytes));
    return fw::FormatStr(IDS_SIZE_GB, static_cast<DWORD>((bytes + kGB / 2) / kGB));
}

LRESULT CALLBACK CallProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kCallMessage) {
        (*reinterpret_cast<const std::function<void()>*>(lp))();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// Carries calls from the worker to the thread that made this object, through a message-only
// window: the worker waits while the call runs there.
class CThreadCalls {
public:
    CThreadCalls() : m_thread(GetCurrentThreadId()) {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSA wc{};
        if (!GetClassInfoA(instance, kCallClass, &wc)) {
            wc.lpfnWndProc = CallProc;
            wc.hInstance = instance;
            wc.lpszClassName = kCallClass;
            RegisterClassA(&wc);
        }
        m_hwnd = CreateWindowExA(0, kCallClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                                 nullptr);
    }
    ~CThreadCalls() {
        if (m_hwnd) DestroyWindow(m_hwnd);
    }
    CThreadCalls(const CThreadCalls&) = delete;
    CThreadCalls& operator=(const CThreadCalls&) = delete;

    void Call(const std::function<void()>& fn) const {
        if (GetCurrentThreadId() == m_thread || !m_hwnd) {
            fn();
            return;
        }
        // Exceptions must not unwind through the window procedure; they are raised again on
        // the worker.
        std::exception_ptr error;
        std::function<void()> run = [&] {
            try {
                fn();
            } catch (...) {
                error = std::current_exception();
            }
        };
        SendMessageA(m_hwnd, kCallMessage, 0, reinterpret_cast<LPARAM>(&run));
        if (error) std::rethrow_exception(error);
    }

private:
    DWORD m_thread;
    HWND m_hwnd = nullptr;
};

// The observer the work talks to: changes of the catalogue go to the window thread's observer
// there; progress reports are kept for the progress window to draw in its own time.
class CWorkerObserver : public IRepositoryObserver {
public:
    CWorkerObserver(IRepositoryObserver* inner, const CThreadCalls& calls)
        : m_inner(inner), m_calls(calls) {}
    IRepositoryObserver* Inner() const { return m_inner; }

    void OnItemsAdded(size_t first, size_t count, bool evacuated) override {
        if (m_inner) m_calls.Call([&] { m_inner->OnItemsAdded(first, count, evacuated); });
    }
    void OnItemChanged(CBrennaItem& item) override {
        if (m_inner) m_calls.Call([&] { m_inner->OnItemChanged(item); });
    }
    void OnItemRemoved(CBrennaItem& item) override {
        if (m_inner) m_calls.Call([&] { m_inner->OnItemRemoved(item); });
    }
    void OnProgress(const util::ProgressReport& report) override {
        std::lock_guard<std::mutex> hold(m_lock);
        m_latest = report;
    }
    util::ProgressReport Latest() const {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_latest;
    }

private:
    IRepositoryObserver* m_inner;
    const CThreadCalls& m_calls;
    mutable std::mutex m_lock;
    util::ProgressReport m_latest;
};

// The prompt the work talks to: each question is asked on the window thread, owned by the
// progress window while that is shown.
class CWorkerPrompt : public fw::IPrompt {
public:
    CWorkerPrompt(fw::IPrompt& inner, const CThreadCalls& calls, const HWND& progress)
        : m_inner(inner), m_calls(calls), m_progress(progress) {}

    int Message(HWND owner, const std::string& text, UINT type) override {
        int result = IDCANCEL;
        m_calls.Call([&] { result = m_inner.Message(Owner(owner), text, type); });
        return result;
    }
    INT_PTR RunDialog(fw::CDialog& dlg, HWND owner) override {
        INT_PTR result = IDCANCEL;
        m_calls.Call([&] { result = m_inner.RunDialog(dlg, Owner(owner)); });
        return result;
    }
    bool SaveFile(HWND owner, std::string& path) override {
        bool result = false;
        m_calls.Call([&] { result = m_inner.SaveFile(Owner(owner), path); });
        return result;
    }
    bool FileDialog(HWND owner, bool open, const std::string& filter, const std::string& ext,
                    std::string& path) override {
        bool result = false;
        m_calls.Call([&] { result = m_inner.FileDialog(Owner(owner), open, filter, ext, path); });
        return result;
    }
    int BrowseFolder(HWND owner, const std::string& title, std::string& path) override {
        int result = IDCANCEL;
        m_calls.Call([&] { result = m_inner.BrowseFolder(Owner(owner), title, path); });
        return result;
    }
    void ShowHelp(HWND owner, const std::string& file, DWORD topic) override {
        m_calls.Call([&] { m_inner.ShowHelp(Owner(owner), file, topic); });
    }

private:
    HWND Owner(HWND owner) const {
        return m_progress && IsWindowVisible(m_progress) ? m_progress : owner;
    }

    fw::IPrompt& m_inner;
    const CThreadCalls& m_calls;
    const HWND& m_progress;
};

class CProgressDialog : public fw::CDialog {
public:
    CProgressDialog(util::CProgressMeter& meter, const CWorkerObserver& reports, UINT captionId)
        : fw::CDialog(IDD_PROGRESS), m_meter(meter), m_reports(reports), m_captionId(captionId) {}

    void Refresh() {
        ProgressLines lines = ProgressTextOf(m_reports.Latest(), m_meter.IsCancelled());
        SetIfChanged(IDC_PROGRESS_STAGE, lines.stage);
        SetIfChanged(IDC_PROGRESS_FILE, lines.file);
        SetIfChanged(IDC_PROGRESS_COUNTS, lines.counts);
        SendDlgItemMessageA(m_hWnd, IDC_PROGRESS_BAR, PBM_SETPOS, lines.bar, 0);
    }

protected:
    BOOL OnInitDialog() override {
        SetWindowTextA(m_hWnd, fw::LoadStr(m_captionId).c_str());
        SendDlgItemMessageA(m_hWnd, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, 1000);
        Refresh();
        return TRUE;
    }
    // Cancel, Esc and the close box ask the work to stop; the window goes when the work ends.
    void OnCancel() override {
        m_meter.Cancel();
        EnableWindow(Item(IDCANCEL), FALSE);
        Refresh();
    }
    void OnOK() override {}

private:
    void SetIfChanged(int id, const std::string& text) {
        // Setting a static's text repaints it; unchanged lines are left alone so that nothing
        // flickers.
        if (ItemText(id) != text) SetItemText(id, text);
    }

    util::CProgressMeter& m_meter;
    const CWorkerObserver& m_reports;
    UINT m_captionId;
};

// The worker's own shell link object: the one of the window thread belongs to its apartment.
class CWorkerShellLink {
public:
    explicit CWorkerShellLink(CRepository& repository) : m_repository(repository) {
        m_com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        m_previous = repository.ShellLink();
        if (m_previous && m_link.Create()) repository.SetShellLink(&m_link);
    }
    ~CWorkerShellLink() {
        m_repository.SetShellLink(m_previous);
        m_link.Release();
        if (m_com) CoUninitialize();
    }

private:
    CRepository& m_repository;
    const store::CShellLink* m_previous;
    store::CShellLink m_link;
    bool m_com;
};

}  // namespace

ProgressLines ProgressTextOf(const util::ProgressReport& report, bool cancelling) {
    ProgressLines lines;
    if (cancelling) {
        lines.stage = fw::LoadStr(IDS_PROGRESS_CANCELLING);
    } else {
        switch (report.stage) {
            case util::ProgressReport::listing: lines.stage = fw::LoadStr(IDS_PROGRESS_LISTING); break;
            case util::ProgressReport::copying: lines.stage = fw::LoadStr(IDS_PROGRESS_COPYING); break;
            case util::ProgressReport::recording:
                lines.stage = fw::LoadStr(IDS_PROGRESS_RECORDING);
                break;
        }
    }
    lines.file = report.current;
    if (report.filesTotal > 0) {
        const UINT done = static_cast<UINT>(report.filesDone);
        const UINT total = static_cast<UINT>(report.filesTotal);
        lines.counts = report.bytesTotal > 0
                           ? fw::FormatStr(IDS_PROGRESS_COUNTS, done, total,
                                           BytesText(report.bytesDone).c_str(),
                                           BytesText(report.bytesTotal).c_str())
                           : fw::FormatStr(IDS_PROGRESS_FILE_COUNTS, done, total);
    }
    // The bar follows the bytes when they are known; each file counts as one byte more, so that
    // a tree of empty files moves it too.
    uint64_t total = report.bytesTotal + report.filesTotal;
    uint64_t done = report.bytesDone + report.filesDone;
    if (total > 0) lines.bar = static_cast<int>(std::min<uint64_t>(done, total) * 1000 / total);
    return lines;
}

// Dispatches the messages waiting in this thread's queue, keyboard ones through the dialog's
// navigation while one is shown; a quit request is kept for after the work.
void DispatchWaiting(HWND dialog, bool& quit, WPARAM& quitCode) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            quitCode = msg.wParam;
            continue;
        }
        if (dialog && IsDialogMessageA(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Dispatches this thread's messages until event is set.
void PumpUntil(HANDLE event, bool& quit, WPARAM& quitCode) {
    while (MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        DispatchWaiting(nullptr, quit, quitCode);
}

void RunLongOperation(HWND owner, CRepository& repository, UINT captionId,
                      const std::function<void()>& work) {
    bool quit = false;
    WPARAM quitCode = 0;
    // Two workers must never change the repository at once: an operation started while another
    // one's worker runs waits for it to end first.
    if (t_running) PumpUntil(t_running, quit, quitCode);

    CThreadCalls calls;
    HWND progressWindow = nullptr;
    CWorkerObserver observer(repository.Observer(), calls);
    CWorkerPrompt prompt(fw::Prompt(), calls, progressWindow);
    repository.SetObserver(&observer);
    fw::IPrompt* previousPrompt = fw::SetPrompt(&prompt);
    repository.Progress().Start();

    // The owner takes no command meanwhile, yet paints: this thread goes on dispatching.
    const bool disabled = owner && IsWindowEnabled(owner);
    HWND focus = GetFocus();
    if (disabled) EnableWindow(owner, FALSE);
    HCURSOR cursor = SetCursor(LoadCursor(nullptr, IDC_APPSTARTING));

    std::exception_ptr error;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE outer = t_running;
    t_running = done;
    std::thread worker([&] {
        try {
            CWorkerShellLink link(repository);
            work();
        } catch (...) {
            error = std::current_exception();
        }
        SetEvent(done);
    });

    CProgressDialog dialog(repository.Progress(), observer, captionId);
    const DWORD start = GetTickCount();
    DWORD refreshed = start;
    for (;;) {
        DWORD now = GetTickCount();
        DWORD wait = progressWindow ? kRefreshMs
                     : now - start >= kProgressDelayMs ? 0
                                                        : kProgressDelayMs - (now - start);
        if (MsgWaitForMultipleObjects(1, &done, FALSE, wait, QS_ALLINPUT) == WAIT_OBJECT_0) break;
        DispatchWaiting(progressWindow, quit, quitCode);
        now = GetTickCount();
        if (!progressWindow && now - start >= kProgressDelayMs &&
            WaitForSingleObject(done, 0) != WAIT_OBJECT_0 && dialog.CreateModeless(owner)) {
            progressWindow = dialog.Hwnd();
            ShowWindow(progressWindow, SW_SHOW);
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            refreshed = now;
        } else if (progressWindow && now - refreshed >= kRefreshMs) {
            dialog.Refresh();
            refreshed = now;
        }
    }
    worker.join();
    t_running = outer;
    CloseHandle(done);

    // The owner first, so that it is the window activated when the progress window goes.
    if (disabled) EnableWindow(owner, TRUE);
    if (progressWindow) {
        DestroyWindow(progressWindow);
        progressWindow = nullptr;
    }
    if (focus && IsWindow(focus)) SetFocus(focus);
    SetCursor(cursor);
    fw::SetPrompt(previousPrompt);
    repository.SetObserver(observer.Inner());
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    if (error) std::rethrow_exception(error);
}

}  // namespace view
