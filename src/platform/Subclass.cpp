#include "platform/Subclass.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

namespace cs {

namespace {

struct Entry {
    SUBCLASSPROC Procedure;  // nullptr once removed while the chain was in use
    UINT_PTR Id;
    DWORD_PTR Data;
};

struct Chain {
    WNDPROC Original = nullptr;
    std::vector<Entry> Entries;  // in the order added
    std::size_t Next = 0;        // while a message passes: how many entries are still to come
    int Depth = 0;               // messages passing through the chain at the moment
};

// Windows belong to their thread, and so do their chains.
thread_local std::unordered_map<HWND, std::unique_ptr<Chain>> t_chains;

Chain* ChainOf(HWND window) noexcept {
    const auto found = t_chains.find(window);
    return found == t_chains.end() ? nullptr : found->second.get();
}

// Once nothing passes through it: removed entries go, and an empty chain gives the window its
// own procedure back.
void Tidy(HWND window, Chain& chain) noexcept {
    if (chain.Depth > 0) return;
    std::erase_if(chain.Entries, [](const Entry& entry) { return !entry.Procedure; });
    if (!chain.Entries.empty()) return;
    ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain.Original));
    t_chains.erase(window);
}

// Calls the entries below position `next`, from the top; the window's own procedure last.
LRESULT PassOn(HWND window, Chain& chain, UINT message, WPARAM wParam, LPARAM lParam) {
    while (chain.Next > 0) {
        const Entry entry = chain.Entries[--chain.Next];
        if (entry.Procedure) return entry.Procedure(window, message, wParam, lParam, entry.Id, entry.Data);
    }
    return ::CallWindowProcA(chain.Original, window, message, wParam, lParam);
}

LRESULT CALLBACK Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Chain* chain = ChainOf(window);
    if (!chain) return ::DefWindowProcA(window, message, wParam, lParam);
    const std::size_t saved = chain->Next;
    chain->Next = chain->Entries.size();
    ++chain->Depth;
    LRESULT result = 0;
    try {
        result = PassOn(window, *chain, message, wParam, lParam);
    } catch (...) {
        chain->Next = saved;
        --chain->Depth;
        throw;
    }
    chain->Next = saved;
    --chain->Depth;
    // The chain ends with the window.
    if (message == WM_NCDESTROY) {
        for (Entry& entry : chain->Entries) entry.Procedure = nullptr;
        Tidy(window, *chain);
    } else {
        Tidy(window, *chain);
    }
    return result;
}

}  // namespace

bool SetWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
    if (!window || !procedure || ::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId())
        return false;
    Chain* chain = ChainOf(window);
    if (!chain) {
        auto made = std::make_unique<Chain>();
        chain = made.get();
        t_chains.emplace(window, std::move(made));
        chain->Original = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Dispatch)));
        if (!chain->Original) {
            t_chains.erase(window);
            return false;
        }
    }
    // The same procedure and id again: only its data changes.
    for (Entry& entry : chain->Entries) {
        if (entry.Procedure == procedure && entry.Id == id) {
            entry.Data = data;
            return true;
        }
    }
    chain->Entries.push_back({procedure, id, data});
    return true;
}

bool RemoveWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id) noexcept {
    Chain* chain = ChainOf(window);
    if (!chain) return false;
    for (Entry& entry : chain->Entries) {
        if (entry.Procedure == procedure && entry.Id == id) {
            entry.Procedure = nullptr;
            Tidy(window, *chain);
            return true;
        }
    }
    return false;
}

LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Chain* chain = ChainOf(window);
    if (!chain) return ::DefWindowProcA(window, message, wParam, lParam);
    // Called outside the chain's own dispatch: the window's own procedure answers.
    if (chain->Depth == 0) return ::CallWindowProcA(chain->Original, window, message, wParam, lParam);
    const std::size_t saved = chain->Next;
    LRESULT result = PassOn(window, *chain, message, wParam, lParam);
    chain->Next = saved;
    return result;
}

}  // namespace cs
