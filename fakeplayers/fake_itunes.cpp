// A stand-in for iTunes's COM automation server, driven by the test host.
//
//   iTunes.exe               serve: register, then wait for clients and the host
//   iTunes.exe -Embedding    the same, started by COM for a client
//   iTunes.exe /regserver    register the class and type library, then exit
//   iTunes.exe /unregserver  remove them, then exit
//
// The program is named iTunes.exe because the plug-in looks for a process
// of that name before it makes any COM call.  Every application object
// created is counted in itunes-activations.txt beside the program (one line
// each), so an activation shows even when COM started a server of its own.
// While it serves, the host steers it through its window (class
// "MelodyRibbonFakeITunes") with the orders of fake_control.h: title and
// artist (or none), the player state (0 stopped, anything else plays),
// displayed or not, die after answering n more calls, answer every call
// late, and how many objects are alive.  Like the player it has a main
// window of class "iTunes", which the host can take away (an iTunes on its
// way out) or hang, since both windows share the one thread that also
// serves COM.
#include <objbase.h>
#include <oleauto.h>
#include <stdio.h>
#include <windows.h>

#include <string>

#include "fake_control.h"

namespace {

const CLSID kApplicationClass = {
    0xDC0C2640, 0x1415, 0x4644, {0x87, 0x5C, 0x6F, 0x4D, 0x76, 0x98, 0x39, 0xBA}};
const IID kApplicationInterface = {
    0x9DD6680B, 0x3EDC, 0x40DB, {0xA7, 0x71, 0xE6, 0xFE, 0x48, 0x32, 0xE3, 0x4A}};
const IID kDisplayInterface = {
    0x688A2FF3, 0x649C, 0x4CA7, {0xA8, 0xC1, 0xE0, 0x15, 0xEE, 0xA2, 0xEF, 0x04}};
const IID kTrackInterface = {
    0x490D9FBF, 0xD9E0, 0x4C01, {0x9A, 0x55, 0x6C, 0x7D, 0xF0, 0xBA, 0xD4, 0x68}};
const GUID kLibrary = {
    0x1C48703B, 0x7E6D, 0x4A64, {0xA6, 0x86, 0xCC, 0x5D, 0xC8, 0x8D, 0xC9, 0x92}};

// What the host set.
LONG g_state = 0;
VARIANT_BOOL g_visible = VARIANT_TRUE;
std::wstring g_title, g_artist;
bool g_hasTitle = true, g_hasArtist = true;
long g_callsBeforeDeath = -1;  // -1: never dies
DWORD g_lateMs = 0;
LONG g_liveObjects = 0;

std::wstring programPath() {
    wchar_t path[MAX_PATH] = {0};
    GetModuleFileNameW(NULL, path, MAX_PATH);
    return path;
}

std::wstring besideProgram(const wchar_t* file) {
    std::wstring path = programPath();
    return path.substr(0, path.find_last_of(L'\\') + 1) + file;
}

void countActivation() {
    FILE* f = _wfopen(besideProgram(L"itunes-activations.txt").c_str(), L"ab");
    if (!f) return;
    fputs("1\n", f);
    fclose(f);
}

DWORD g_classCookie = 0;

// Every call the plug-in makes passes here first, the creation included.
// A server told to die answers its quota and then vanishes at the next
// call, as a crashing player would, so the client's call fails mid-step.
// It withdraws its class first: Wine's COM keeps the class of a process
// that vanished and hands it to later clients, which would leave every
// fake started after this one unreachable (Windows forgets it).  A slow
// server keeps each caller waiting before it answers.
void answerOrDie() {
    if (g_lateMs) Sleep(g_lateMs);
    if (g_callsBeforeDeath == 0) {
        CoRevokeClassObject(g_classCookie);
        TerminateProcess(GetCurrentProcess(), 9);
    }
    if (g_callsBeforeDeath > 0) --g_callsBeforeDeath;
}

// IUnknown and a do-nothing IDispatch for the three objects.
template <class Interface>
class Object : public Interface {
public:
    Object(const IID& iid) : iid_(iid) { InterlockedIncrement(&g_liveObjects); }
    virtual ~Object() { InterlockedDecrement(&g_liveObjects); }
    // Not one of the plug-in's: see keepInterfacesRegistered().
    void uncount() { InterlockedDecrement(&g_liveObjects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = NULL;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) &&
            !IsEqualIID(iid, iid_))
            return E_NOINTERFACE;
        AddRef();
        *object = static_cast<Interface*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                            DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

private:
    IID iid_;
    LONG refs_ = 1;
};

// A slot that the plug-in never calls.
#define F(n)                                        \
    virtual HRESULT STDMETHODCALLTYPE Filler##n() { \
        answerOrDie();                              \
        return E_NOTIMPL;                           \
    }
#define F4(a, b, c, d) F(a) F(b) F(c) F(d)

// The interfaces, in the type library's order (fake_itunes.idl): each
// method's vtable slot is in its comment, the fillers keep the count.
// clang-format off
struct IFakeDisplay : IDispatch {
    F(7) F(8)
    virtual HRESULT STDMETHODCALLTYPE Visible(VARIANT_BOOL* visible) = 0;  // 9
};

struct IFakeTrack : IDispatch {
    F(7)
    virtual HRESULT STDMETHODCALLTYPE Title(BSTR* title) = 0;  // 8
    F4(9, 10, 11, 12) F4(13, 14, 15, 16) F4(17, 18, 19, 20) F(21)
    virtual HRESULT STDMETHODCALLTYPE Artist(BSTR* artist) = 0;  // 22
};

struct IFakeApplication : IDispatch {
    F4(7, 8, 9, 10) F4(11, 12, 13, 14) F4(15, 16, 17, 18) F4(19, 20, 21, 22)
    F4(23, 24, 25, 26) F4(27, 28, 29, 30) F4(31, 32, 33, 34) F4(35, 36, 37, 38)
    virtual HRESULT STDMETHODCALLTYPE PlayerState(LONG* state) = 0;  // 39
    F4(40, 41, 42, 43) F4(44, 45, 46, 47) F4(48, 49, 50, 51) F4(52, 53, 54, 55)
    F(56) F(57)
    virtual HRESULT STDMETHODCALLTYPE Display(IFakeDisplay** display) = 0;  // 58
    F(59) F(60) F(61)
    virtual HRESULT STDMETHODCALLTYPE CurrentTrack(IFakeTrack** track) = 0;  // 62
};
// clang-format on

class DisplayObject : public Object<IFakeDisplay> {
public:
    DisplayObject() : Object(kDisplayInterface) {}
    HRESULT STDMETHODCALLTYPE Visible(VARIANT_BOOL* visible) override {
        answerOrDie();
        *visible = g_visible;
        return S_OK;
    }
};

BSTR copyString(bool given, const std::wstring& text) {
    return given ? SysAllocStringLen(text.data(), (UINT)text.size()) : NULL;
}

class TrackObject : public Object<IFakeTrack> {
public:
    TrackObject() : Object(kTrackInterface) {}
    HRESULT STDMETHODCALLTYPE Title(BSTR* title) override {
        answerOrDie();
        *title = copyString(g_hasTitle, g_title);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Artist(BSTR* artist) override {
        answerOrDie();
        *artist = copyString(g_hasArtist, g_artist);
        return S_OK;
    }
};

class ApplicationObject : public Object<IFakeApplication> {
public:
    ApplicationObject() : Object(kApplicationInterface) {}
    HRESULT STDMETHODCALLTYPE PlayerState(LONG* state) override {
        answerOrDie();
        *state = g_state;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Display(IFakeDisplay** display) override {
        answerOrDie();
        *display = new DisplayObject;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CurrentTrack(IFakeTrack** track) override {
        answerOrDie();
        *track = new TrackObject;
        return S_OK;
    }
};

class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = NULL;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory))
            return E_NOINTERFACE;
        *object = this;
        return S_OK;
    }
    // The factory lives as long as the program.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid,
                                             void** object) override {
        if (!object) return E_POINTER;
        *object = NULL;
        if (outer) return CLASS_E_NOAGGREGATION;
        answerOrDie();
        countActivation();
        ApplicationObject* app = new ApplicationObject;
        HRESULT hr = app->QueryInterface(iid, object);
        app->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

const wchar_t kClassKey[] = L"CLSID\\{DC0C2640-1415-4644-875C-6F4D769839BA}";

// The type library from this program's resource, with the universal
// marshaler for its interfaces; the class started from this program.
bool registerServer() {
    ITypeLib* library = NULL;
    if (FAILED(LoadTypeLibEx(programPath().c_str(), REGKIND_REGISTER, &library)))
        return false;
    library->Release();
    HKEY key;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT,
                        (std::wstring(kClassKey) + L"\\LocalServer32").c_str(), 0, NULL,
                        0, KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    std::wstring command = L"\"" + programPath() + L"\"";
    LONG rc = RegSetValueExW(key, NULL, 0, REG_SZ, (const BYTE*)command.c_str(),
                             (DWORD)((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

void unregisterServer() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kClassKey);
    UnRegisterTypeLib(kLibrary, 1, 0, LOCALE_NEUTRAL, SYS_WIN64);
}

HWND g_mainWindow = NULL;

bool setMainWindow(bool present) {
    if (!present) {
        if (g_mainWindow) DestroyWindow(g_mainWindow);
        g_mainWindow = NULL;
        return true;
    }
    if (!g_mainWindow)
        g_mainWindow = CreateWindowExW(0, L"iTunes", L"iTunes", WS_OVERLAPPEDWINDOW,
                                       CW_USEDEFAULT, CW_USEDEFAULT, 300, 200, NULL, NULL,
                                       GetModuleHandleW(NULL), NULL);
    return g_mainWindow != NULL;
}

std::wstring copiedText(const COPYDATASTRUCT* data) {
    return std::wstring((const wchar_t*)data->lpData, data->cbData / sizeof(wchar_t));
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COPYDATA: {
        const COPYDATASTRUCT* data = (const COPYDATASTRUCT*)lParam;
        switch (data->dwData) {
        case fake::kSetTitle:
            g_title = copiedText(data);
            g_hasTitle = true;
            return 1;
        case fake::kSetArtist:
            g_artist = copiedText(data);
            g_hasArtist = true;
            return 1;
        case fake::kNoTitle:
            g_hasTitle = false;
            return 1;
        case fake::kNoArtist:
            g_hasArtist = false;
            return 1;
        }
        return 0;
    }
    case fake::kSetState:
        g_state = (LONG)wParam;
        return 1;
    case fake::kSetVisible:
        g_visible = wParam ? VARIANT_TRUE : VARIANT_FALSE;
        return 1;
    case fake::kDieAfter:
        g_callsBeforeDeath = (long)wParam;
        return 1;
    case fake::kCountObjects:
        return g_liveObjects;
    case fake::kSlow:
        g_lateMs = (DWORD)wParam;
        return 1;
    case fake::kSetMainWindow:
        return setMainWindow(wParam != 0) ? 1 : 0;
    case fake::kHang:
        Sleep((DWORD)wParam);
        return 1;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// Wine's RPC runtime can hang a server for good when a client releases the
// last object of an interface right after a call on it: tearing down that
// interface waits for calls that it has already finished counting, and the
// wake-up can be lost.  The plug-in does exactly that (it releases the
// display object right after asking it, the track right after the artist),
// so one object of each interface stays marshalled here for the server's
// whole life, and no interface is ever torn down.  Windows has no such
// race; the keepers are not counted as live objects.
template <class Keeper>
bool keep(const IID& iid) {
    Keeper* object = new Keeper;
    object->uncount();
    IStream* stream = NULL;
    if (FAILED(CreateStreamOnHGlobal(NULL, TRUE, &stream))) return false;
    // The stream holds the marshalled reference, and so the stub, until exit.
    return SUCCEEDED(CoMarshalInterface(stream, iid, (IUnknown*)object, MSHCTX_LOCAL,
                                        NULL, MSHLFLAGS_TABLESTRONG));
}

bool keepInterfacesRegistered() {
    return keep<ApplicationObject>(kApplicationInterface) &&
           keep<DisplayObject>(kDisplayInterface) && keep<TrackObject>(kTrackInterface);
}

int serve(HINSTANCE instance) {
    if (!registerServer()) return 4;
    if (!keepInterfacesRegistered()) return 6;
    if (FAILED(CoRegisterClassObject(kApplicationClass, &g_factory, CLSCTX_LOCAL_SERVER,
                                     REGCLS_MULTIPLEUSE, &g_classCookie)))
        return 5;
    WNDCLASSW main = {};
    main.lpfnWndProc = DefWindowProcW;
    main.hInstance = instance;
    main.lpszClassName = L"iTunes";
    if (!RegisterClassW(&main) || !setMainWindow(true)) return 7;
    // The control window last: once the host finds it, clients can connect.
    WNDCLASSW wc = {};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"MelodyRibbonFakeITunes";
    if (!RegisterClassW(&wc)) return 2;
    if (!CreateWindowExW(0, wc.lpszClassName, L"iTunes", WS_OVERLAPPEDWINDOW,
                         CW_USEDEFAULT, CW_USEDEFAULT, 300, 200, NULL, NULL, instance,
                         NULL))
        return 3;
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    CoRevokeClassObject(g_classCookie);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    std::wstring line = GetCommandLineW();
    if (FAILED(CoInitialize(NULL))) return 1;
    int rc = 0;
    if (line.find(L"/regserver") != std::wstring::npos) {
        rc = registerServer() ? 0 : 4;
    } else if (line.find(L"/unregserver") != std::wstring::npos) {
        unregisterServer();
    } else {
        rc = serve(instance);
    }
    CoUninitialize();
    return rc;
}
