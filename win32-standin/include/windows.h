// Linux stand-in for the part of the Win32 API that the plug-in calls.
//
// Only the native unit-test build sees this header; the Windows builds use the
// real <windows.h>.  Names, types and constants are Win32's own so the plug-in
// reads as plain Win32 code.  Pure functions (strings, paths, profile files,
// code-page conversion) are implemented for real and are checked against real
// Windows by the differential tests; desktop services (windows, messages,
// timers, module and version queries) are simulated, and tests script them
// through <standin/desktop.h>.
#pragma once

#include <stddef.h>
#include <stdint.h>

#define WINAPI
#define CALLBACK
#define APIENTRY
#define WINAPIV

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef int32_t INT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef char CHAR;
typedef char16_t WCHAR;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef const CHAR* LPCCH;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef const WCHAR* LPCWCH;
typedef BOOL* LPBOOL;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD* LPDWORD;
typedef void* HANDLE;
typedef DWORD LCID;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef ULONG_PTR DWORD_PTR;
typedef DWORD_PTR* PDWORD_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

struct HWND__ {
    int unused;
};
typedef HWND__* HWND;
struct HINSTANCE__ {
    int unused;
};
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

#define CP_ACP 0
#define CP_THREAD_ACP 3
#define CP_UTF8 65001

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#define LOCALE_IDEFAULTANSICODEPAGE 0x00001004

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define WM_NULL 0x0000
#define WM_TIMER 0x0113
#define WM_COPYDATA 0x004A
#define WM_USER 0x0400

#define SMTO_NORMAL 0x0000
#define SMTO_BLOCK 0x0001
#define SMTO_ABORTIFHUNG 0x0002

#define ERROR_TIMEOUT 1460L

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
} OSVERSIONINFOA, *LPOSVERSIONINFOA;

typedef struct tagCOPYDATASTRUCT {
    ULONG_PTR dwData;
    DWORD cbData;
    LPVOID lpData;
} COPYDATASTRUCT, *PCOPYDATASTRUCT;

#define ZeroMemory(p, n) __builtin_memset((p), 0, (n))

typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

// msvcrt: the C runtime's own _snprintf (the plug-in uses it for "%f"
// only); it returns -1 and leaves the text unterminated when it is cut.
int _snprintf(char* out, size_t count, const char* format, ...);

// Kernel: strings (implemented for real).
int WINAPI lstrlenA(LPCSTR s);
int WINAPI lstrcmpA(LPCSTR a, LPCSTR b);
LPSTR WINAPI lstrcpynA(LPSTR dst, LPCSTR src, int max);

// Kernel: profile files (implemented for real, over real files).
UINT WINAPI GetPrivateProfileIntA(LPCSTR app, LPCSTR key, INT def, LPCSTR file);
DWORD WINAPI GetPrivateProfileStringA(LPCSTR app, LPCSTR key, LPCSTR def, LPSTR out,
                                      DWORD size, LPCSTR file);
BOOL WINAPI WritePrivateProfileStringA(LPCSTR app, LPCSTR key, LPCSTR value, LPCSTR file);

// Kernel: directories (implemented for real).
BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES sa);

// Kernel: code-page conversion (implemented for real over iconv).
int WINAPI MultiByteToWideChar(UINT cp, DWORD flags, LPCCH src, int srcLen, LPWSTR dst,
                               int dstLen);
int WINAPI WideCharToMultiByte(UINT cp, DWORD flags, LPCWCH src, int srcLen, LPSTR dst,
                               int dstLen, LPCCH defChar, LPBOOL usedDef);

// Kernel: files (implemented for real; backslashes in paths become slashes).
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_APPEND_DATA 0x0004
#define FILE_SHARE_READ 0x1
#define FILE_SHARE_WRITE 0x2
#define FILE_SHARE_DELETE 0x4
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define FILE_ATTRIBUTE_NORMAL 0x80
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD share,
                          LPSECURITY_ATTRIBUTES sa, DWORD disposition, DWORD flags,
                          HANDLE templ);
BOOL WINAPI WriteFile(HANDLE f, LPCVOID data, DWORD size, LPDWORD written,
                      void* overlapped);
// With an OVERLAPPED on a handle opened without FILE_FLAG_OVERLAPPED, ReadFile
// reads at its offset and returns when done; at or past the end it fails
// with ERROR_HANDLE_EOF.  (Windows also moves the file pointer past what was
// read; the stand-in leaves it, and nothing here mixes the two.)
typedef struct _OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;
#define ERROR_HANDLE_EOF 38L
BOOL WINAPI ReadFile(HANDLE f, LPVOID data, DWORD size, LPDWORD read, void* overlapped);
DWORD WINAPI SetFilePointer(HANDLE f, LONG distance, LONG* high, DWORD method);
DWORD WINAPI GetFileSize(HANDLE f, LPDWORD high);
BOOL WINAPI CloseHandle(HANDLE h);

// Kernel: what the media-file reader adds to the file functions above
// (implemented for real).  GetFileType tells disk files from the rest.
#define NO_ERROR 0L
#define ERROR_READ_FAULT 30L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_NEGATIVE_SEEK 131L
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define FILE_TYPE_UNKNOWN 0x0000
#define FILE_TYPE_DISK 0x0001
#define FILE_TYPE_CHAR 0x0002
#define FILE_TYPE_PIPE 0x0003
DWORD WINAPI GetFileType(HANDLE f);

// Kernel: the error mode, simulated.  SetThreadErrorMode is found through
// GetProcAddress on version 6.1 and later only, as Windows 7 brought it;
// see <standin/desktop.h> for what a test reads back.
#define SEM_FAILCRITICALERRORS 0x0001
#define SEM_NOGPFAULTERRORBOX 0x0002
#define SEM_NOOPENFILEERRORBOX 0x8000
UINT WINAPI SetErrorMode(UINT mode);
BOOL WINAPI SetThreadErrorMode(DWORD mode, LPDWORD oldMode);

// Kernel: simulated system queries.
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR out, DWORD size);
BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info);
LCID WINAPI GetThreadLocale(void);
int WINAPI GetLocaleInfoA(LCID locale, DWORD type, LPSTR out, int size);
UINT WINAPI GetACP(void);
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD code);

static inline void* InterlockedExchangePointer(void* volatile* target, void* value) {
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

// User: simulated windows, messages and timers.
HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName);
LRESULT WINAPI SendMessageA(HWND w, UINT msg, WPARAM wp, LPARAM lp);
LRESULT WINAPI SendMessageTimeoutA(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT flags,
                                   UINT timeoutMs, PDWORD_PTR result);
int WINAPI GetWindowTextA(HWND w, LPSTR out, int size);
// Top-level windows only (parent NULL), in creation order after `after`.
HWND WINAPI FindWindowExA(HWND parent, HWND after, LPCSTR className, LPCSTR windowName);
// The owner of a window: the plug-in's own process for windows made with
// standin::createOwnWindow, another process for every other one.
DWORD WINAPI GetWindowThreadProcessId(HWND w, LPDWORD processId);
DWORD WINAPI GetCurrentProcessId(void);
int WINAPI GetWindowTextW(HWND w, LPWSTR out, int size);
UINT_PTR WINAPI SetTimer(HWND w, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL WINAPI KillTimer(HWND w, UINT_PTR id);

// --- DDE client support -----------------------------------------------------
// What the DDE players need besides <ddeml.h>: the clipboard format of their
// answers and the process heap that holds an answer (simulated with counts,
// see <standin/dde.h>).
typedef BYTE* LPBYTE;
#define CF_TEXT 1
#define HEAP_ZERO_MEMORY 0x00000008
HANDLE WINAPI GetProcessHeap(void);
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, size_t bytes);
BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID block);

// --- COM and process enumeration (simulated) ------------------------------
//
// The iTunes probe asks whether an iTunes.exe process runs (Toolhelp on the
// 9x platform, the process-status functions on NT) and only then talks COM
// to it.  Tests script both through <standin/com.h> and
// <standin/processes.h>; <tlhelp32.h> and <psapi.h> bring nothing beyond
// this header.

typedef LONG HRESULT;
typedef short VARIANT_BOOL;
typedef WCHAR OLECHAR;
typedef OLECHAR* BSTR;
typedef const OLECHAR* LPCOLESTR;

#define STDMETHODCALLTYPE
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_POINTER ((HRESULT)0x80004003L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0L)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#define RPC_E_CHANGED_MODE ((HRESULT)0x80010106L)
#define RPC_E_DISCONNECTED ((HRESULT)0x80010108L)
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_LOCAL_SERVER 0x4

typedef struct _GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID, IID, CLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;
typedef void* LPUNKNOWN;

HRESULT WINAPI CoInitialize(LPVOID reserved);
void WINAPI CoUninitialize(void);
HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context,
                                REFIID iid, LPVOID* object);
BSTR WINAPI SysAllocString(LPCOLESTR text);
void WINAPI SysFreeString(BSTR text);

#define TH32CS_SNAPPROCESS 0x00000002
typedef struct tagPROCESSENTRY32 {
    DWORD dwSize;
    DWORD cntUsage;
    DWORD th32ProcessID;
    ULONG_PTR th32DefaultHeapID;
    DWORD th32ModuleID;
    DWORD cntThreads;
    DWORD th32ParentProcessID;
    LONG pcPriClassBase;
    DWORD dwFlags;
    CHAR szExeFile[MAX_PATH];
} PROCESSENTRY32, *LPPROCESSENTRY32;
HANDLE WINAPI CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
BOOL WINAPI Process32First(HANDLE snapshot, LPPROCESSENTRY32 entry);
BOOL WINAPI Process32Next(HANDLE snapshot, LPPROCESSENTRY32 entry);

#define PROCESS_QUERY_INFORMATION 0x0400
#define PROCESS_VM_READ 0x0010
typedef DWORD* PDWORD;
typedef intptr_t(WINAPI* FARPROC)();
HANDLE WINAPI OpenProcess(DWORD access, BOOL inherit, DWORD processId);
BOOL WINAPI EnumProcesses(DWORD* ids, DWORD bytes, DWORD* filled);
DWORD WINAPI GetModuleFileNameExA(HANDLE process, HMODULE module, LPSTR out, DWORD size);
BOOL WINAPI QueryFullProcessImageNameA(HANDLE process, DWORD flags, LPSTR out,
                                       PDWORD size);
// GetProcAddress finds QueryFullProcessImageNameA in kernel32 on version 6
// and later only, as Windows does.
HMODULE WINAPI GetModuleHandleA(LPCSTR name);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name);

// --- the system media session's reach (simulated) ----------------------------
//
// combase.dll is loaded from the system folder only and its functions are
// looked up (<roapi.h>, <winstring.h>); the session manager behind them is
// scripted through <standin/runtime.h>.  Sleep moves the simulated clock on
// without running timers (a wait that runs no messages); GetTickCount reads
// that clock.
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#define E_NOTIMPL ((HRESULT)0x80004001L)
HMODULE WINAPI LoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags);
BOOL WINAPI FreeLibrary(HMODULE module);
DWORD WINAPI GetTickCount(void);
void WINAPI Sleep(DWORD ms);

#include <shlwapi.h>
