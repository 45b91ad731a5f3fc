// Window classes, creation and destruction, window data, and the window layer's extension API.
#include "msg_support.h"

#include "window_table.h"

#include <string>
#include <unistd.h>
#include <vector>

namespace vlm::test {
namespace {

using Windows = MessageTest;

// The messages a window saw, by name, for the ones creation and destruction send.
struct Journal {
    std::vector<std::string> entries;
    Handler HandlerFor(const std::string& who, std::optional<LRESULT> ncCreate = std::nullopt,
                       std::optional<LRESULT> create = std::nullopt)
    {
        return [this, who, ncCreate, create](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            const bool exists = IsWindow(window) != FALSE;
            switch (message) {
            case WM_NCCREATE:
                entries.push_back(who + " NCCREATE" + (exists ? "" : " (no window)"));
                return ncCreate;
            case WM_CREATE:
                entries.push_back(who + " CREATE");
                return create;
            case WM_DESTROY:
                entries.push_back(who + " DESTROY");
                return std::nullopt;
            case WM_NCDESTROY:
                entries.push_back(who + " NCDESTROY" + (exists ? "" : " (no window)"));
                return std::nullopt;
            default:
                return std::nullopt;
            }
        };
    }
};

TEST_F(Windows, ClassesAreProcessWideAndNamedWithoutRegardToCase)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "VlmTestClassNames";
    const ATOM atom = RegisterClassA(&windowClass);
    ASSERT_NE(atom, 0);

    windowClass.lpszClassName = "VLMTESTCLASSNAMES";
    SetLastError(0);
    EXPECT_EQ(RegisterClassA(&windowClass), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

    // By atom as well as by name; and from another thread.
    const LPCSTR byAtom = reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(atom));
    const HWND window = CreateWindowExA(0, byAtom, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(vlm::posix::DescribeWindow(window)->className, "VlmTestClassNames");
    std::thread([] {
        const HWND other = CreateWindowExA(0, "vlmtestclassnames", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                           nullptr, nullptr, nullptr);
        EXPECT_NE(other, nullptr);
        DestroyWindow(other);
    }).join();

    SetLastError(0);
    EXPECT_FALSE(UnregisterClassA("VlmTestClassNames", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(window);
    EXPECT_TRUE(UnregisterClassA("vlmTestClassNames", nullptr));

    SetLastError(0);
    EXPECT_FALSE(UnregisterClassA("VlmTestClassNames", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "VlmTestClassNames", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST_F(Windows, CreationSendsNcCreateThenCreateWithTheCreationFacts)
{
    std::vector<CREATESTRUCTA> seen;
    Handler handler = [&](HWND window, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_NCCREATE || message == WM_CREATE) {
            EXPECT_TRUE(IsWindow(window));
            seen.push_back(*reinterpret_cast<CREATESTRUCTA*>(lParam));
        }
        return std::nullopt;
    };
    const HWND parent = CreateHandlerWindow(&handler, nullptr, 0);
    ASSERT_NE(parent, nullptr);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].lpCreateParams, &handler);
    EXPECT_STREQ(seen[0].lpszName, "test");
    EXPECT_EQ(seen[0].hwndParent, nullptr);

    seen.clear();
    const HWND child = CreateWindowExA(0x200, HandlerClass(), "child", 0x40000000, 1, 2, 30, 40, parent,
                                       reinterpret_cast<HMENU>(1001), nullptr, &handler);
    ASSERT_NE(child, nullptr);
    ASSERT_EQ(seen.size(), 2u);
    const CREATESTRUCTA& create = seen[1];
    EXPECT_EQ(create.hwndParent, parent);
    EXPECT_EQ(create.hMenu, reinterpret_cast<HMENU>(1001));
    EXPECT_EQ((std::vector<int>{create.x, create.y, create.cx, create.cy}), (std::vector<int>{1, 2, 30, 40}));
    EXPECT_EQ(create.style, 0x40000000);
    EXPECT_EQ(create.dwExStyle, 0x200u);
    EXPECT_STREQ(create.lpszClass, HandlerClass());

    const auto description = vlm::posix::DescribeWindow(child);
    ASSERT_TRUE(description);
    EXPECT_EQ(description->className, HandlerClass());
    EXPECT_EQ(description->title, "child");
    EXPECT_EQ(description->parent, parent);
    EXPECT_FALSE(description->messageOnly);
    EXPECT_EQ(description->id, 1001u);
    EXPECT_EQ(description->style, 0x40000000u);
    EXPECT_EQ(description->exStyle, 0x200u);
    EXPECT_EQ(description->width, 30);
    EXPECT_EQ(description->threadId, GetCurrentThreadId());
    EXPECT_EQ(vlm::posix::ChildWindows(parent), std::vector<HWND>{child});
    DestroyWindow(parent);
}

TEST_F(Windows, AProcedureCanRefuseCreation)
{
    struct Case {
        const char* name;
        std::optional<LRESULT> ncCreate, create;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"WM_NCCREATE answers FALSE", FALSE, std::nullopt, {"w NCCREATE", "w NCDESTROY"}},
        {"WM_CREATE answers -1", std::nullopt, -1, {"w NCCREATE", "w CREATE", "w DESTROY", "w NCDESTROY"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Journal journal;
        Handler handler = journal.HandlerFor("w", c.ncCreate, c.create);
        HWND created = reinterpret_cast<HWND>(1);
        Handler spy = [&](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
            created = window;
            return handler(window, message, wParam, lParam);
        };
        EXPECT_EQ(CreateHandlerWindow(&spy), nullptr);
        EXPECT_EQ(journal.entries, c.expected);
        EXPECT_FALSE(IsWindow(created));
    }
}

TEST_F(Windows, DestroyingReachesTheWindowBeforeItsChildrenAndFinishesAfterThem)
{
    Journal journal;
    Handler parentHandler = journal.HandlerFor("parent");
    Handler childHandler = journal.HandlerFor("child");
    Handler grandchildHandler = journal.HandlerFor("grandchild");
    const HWND parent = CreateHandlerWindow(&parentHandler, nullptr);
    const HWND child = CreateHandlerWindow(&childHandler, parent);
    const HWND grandchild = CreateHandlerWindow(&grandchildHandler, child);
    ASSERT_TRUE(parent && child && grandchild);
    journal.entries.clear();

    ASSERT_TRUE(DestroyWindow(parent));
    EXPECT_EQ(journal.entries, (std::vector<std::string>{"parent DESTROY", "child DESTROY", "grandchild DESTROY",
                                                         "grandchild NCDESTROY", "child NCDESTROY",
                                                         "parent NCDESTROY"}));
    for (HWND window : {parent, child, grandchild})
        EXPECT_FALSE(IsWindow(window));
    SetLastError(0);
    EXPECT_FALSE(DestroyWindow(parent));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(Windows, DestroyingAChildUnlinksItFromItsParent)
{
    Handler none;
    const HWND parent = CreateHandlerWindow(&none, nullptr);
    const HWND first = CreateHandlerWindow(&none, parent, 1);
    const HWND second = CreateHandlerWindow(&none, parent, 2);
    EXPECT_EQ(vlm::posix::ChildWindows(parent), (std::vector<HWND>{first, second}));
    DestroyWindow(first);
    EXPECT_EQ(vlm::posix::ChildWindows(parent), std::vector<HWND>{second});
    DestroyWindow(parent);
    EXPECT_TRUE(vlm::posix::ChildWindows(parent).empty());
}

TEST_F(Windows, OnlyTheOwnerThreadMayDestroyAWindow)
{
    WindowThread owner([](HWND, UINT, WPARAM, LPARAM) { return std::optional<LRESULT>{}; });
    SetLastError(0);
    EXPECT_FALSE(DestroyWindow(owner.Window()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(IsWindow(owner.Window()));
    DWORD processId = 0;
    EXPECT_EQ(GetWindowThreadProcessId(owner.Window(), &processId), owner.ThreadId());
    EXPECT_EQ(processId, static_cast<DWORD>(getpid()));
}

TEST_F(Windows, AThreadsWindowsGoWhenTheThreadEnds)
{
    HWND left = nullptr;
    std::thread([&] {
        static Handler none;
        left = CreateHandlerWindow(&none);
    }).join();
    ASSERT_NE(left, nullptr);
    EXPECT_FALSE(IsWindow(left));
}

TEST_F(Windows, DefWindowProcDestroysOnCloseAndLetsCreationGoOn)
{
    Journal journal;
    Handler handler = journal.HandlerFor("w");
    const HWND window = CreateHandlerWindow(&handler);
    ASSERT_NE(window, nullptr); // WM_NCCREATE went to DefWindowProcA
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(journal.entries.back(), "w NCDESTROY");
}

TEST_F(Windows, WindowDataSlotsAnswerTheirPreviousValue)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.cbWndExtra = 2 * sizeof(LONG_PTR);
    windowClass.lpszClassName = "VlmTestWindowData";
    RegisterClassA(&windowClass);
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(0x4000);
    const HWND window = CreateWindowExA(0x10, "VlmTestWindowData", "", 0x1234, 0, 0, 0, 0, HWND_MESSAGE,
                                        reinterpret_cast<HMENU>(55), instance, nullptr);
    ASSERT_NE(window, nullptr);

    struct Case {
        const char* name;
        int index;
        LONG_PTR initial;
        LONG_PTR replacement;
    };
    const Case cases[] = {
        {"GWLP_USERDATA", GWLP_USERDATA, 0, -12345},
        {"GWLP_ID", GWLP_ID, 55, 77},
        {"GWL_STYLE", GWL_STYLE, 0x1234, 0x4321},
        {"GWL_EXSTYLE", GWL_EXSTYLE, 0x10, 0x20},
        {"GWLP_HINSTANCE", GWLP_HINSTANCE, 0x4000, 0x8000},
        {"GWLP_WNDPROC", GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA),
         reinterpret_cast<LONG_PTR>(&HandlerProc)},
        {"extra bytes at 0", 0, 0, 99},
        {"extra bytes at the last slot", sizeof(LONG_PTR), 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GetWindowLongPtrA(window, c.index), c.initial);
        EXPECT_EQ(SetWindowLongPtrA(window, c.index, c.replacement), c.initial);
        EXPECT_EQ(GetWindowLongPtrA(window, c.index), c.replacement);
    }
    EXPECT_EQ(vlm::posix::DescribeWindow(window)->id, 77u);
    EXPECT_EQ(vlm::posix::DescribeWindow(window)->style, 0x4321u);

    for (int index : {-1, -100, static_cast<int>(sizeof(LONG_PTR)) + 1, 2 * static_cast<int>(sizeof(LONG_PTR))}) {
        SCOPED_TRACE(index);
        SetLastError(0);
        EXPECT_EQ(GetWindowLongPtrA(window, index), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    }
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
    DestroyWindow(window);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    UnregisterClassA("VlmTestWindowData", nullptr);
}

// Subclassing: a new procedure in GWLP_WNDPROC that hands the rest to the old one.
WNDPROC g_previousProcedure = nullptr;

LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_USER)
        return 1000 + CallWindowProcA(g_previousProcedure, window, message, wParam, lParam);
    return CallWindowProcA(g_previousProcedure, window, message, wParam, lParam);
}

TEST_F(Windows, ASubclassChainsToThePreviousProcedure)
{
    Handler handler = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        return message == WM_USER ? std::optional<LRESULT>(1) : std::nullopt;
    };
    const HWND window = CreateHandlerWindow(&handler);
    g_previousProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass)));
    EXPECT_EQ(g_previousProcedure, &HandlerProc);
    EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 1001);
    EXPECT_TRUE(DestroyWindow(window)); // WM_DESTROY and WM_NCDESTROY pass through the subclass
}

// An extension that says when, and on which thread, it died.
struct Probe : vlm::posix::WindowExtension {
    Probe(std::vector<std::string>& log, std::string name, std::atomic<DWORD>* diedOn = nullptr)
        : log(log), name(std::move(name)), diedOn(diedOn)
    {
    }
    ~Probe() override
    {
        log.push_back(name + " died");
        if (diedOn)
            *diedOn = GetCurrentThreadId();
    }
    std::vector<std::string>& log;
    std::string name;
    std::atomic<DWORD>* diedOn;
};

TEST_F(Windows, AnExtensionLivesAsLongAsItsWindow)
{
    Journal journal;
    Handler handler = journal.HandlerFor("w");
    const HWND window = CreateHandlerWindow(&handler);
    ASSERT_TRUE(vlm::posix::SetWindowExtension(window, std::make_shared<Probe>(journal.entries, "first")));
    ASSERT_TRUE(vlm::posix::SetWindowExtension(window, std::make_shared<Probe>(journal.entries, "second")));
    EXPECT_EQ(journal.entries.back(), "first died");
    ASSERT_TRUE(vlm::posix::GetWindowExtensionAs<Probe>(window));
    EXPECT_EQ(vlm::posix::GetWindowExtensionAs<Probe>(window)->name, "second");

    journal.entries.clear();
    DestroyWindow(window);
    EXPECT_EQ(journal.entries, (std::vector<std::string>{"w DESTROY", "w NCDESTROY", "second died"}));
    EXPECT_EQ(vlm::posix::GetWindowExtension(window), nullptr);
    EXPECT_FALSE(vlm::posix::SetWindowExtension(window, std::make_shared<Probe>(journal.entries, "late")));
    EXPECT_FALSE(vlm::posix::DescribeWindow(window));
}

TEST_F(Windows, AnEndingThreadsExtensionsDieOnThatThread)
{
    std::vector<std::string> log;
    std::atomic<DWORD> diedOn{0};
    DWORD ownerId = 0;
    HWND window = nullptr;
    std::thread([&] {
        static Handler none;
        ownerId = GetCurrentThreadId();
        window = CreateHandlerWindow(&none);
        vlm::posix::SetWindowExtension(window, std::make_shared<Probe>(log, "widget", &diedOn));
    }).join();
    EXPECT_EQ(log, std::vector<std::string>{"widget died"});
    EXPECT_EQ(diedOn, ownerId);
    EXPECT_FALSE(IsWindow(window));
}

} // namespace
} // namespace vlm::test
