// Linux stand-in: the DDE management library's client side, as far as the
// plug-in calls it.  Servers are simulated; tests script them and read the
// handle counts through <standin/dde.h>.
#pragma once

#include <windows.h>

struct HCONV__ {
    int unused;
};
typedef HCONV__* HCONV;
struct HSZ__ {
    int unused;
};
typedef HSZ__* HSZ;
struct HDDEDATA__ {
    int unused;
};
typedef HDDEDATA__* HDDEDATA;

typedef struct tagCONVCONTEXT {
    UINT cb;
    UINT wFlags;
    UINT wCountryID;
    int iCodePage;
    DWORD dwLangID;
    DWORD dwSecurity;
    void* qos;
} CONVCONTEXT, *PCONVCONTEXT;

typedef HDDEDATA(CALLBACK* PFNCALLBACK)(UINT wType, UINT wFmt, HCONV hConv, HSZ hsz1,
                                        HSZ hsz2, HDDEDATA hData, ULONG_PTR dwData1,
                                        ULONG_PTR dwData2);

#define CP_WINANSI 1004
#define APPCMD_CLIENTONLY 0x00000010L

#define XCLASS_DATA 0x2000
#define XTYPF_NOBLOCK 0x0002
#define XTYP_REQUEST (0x00B0 | XCLASS_DATA)

#define DMLERR_NO_ERROR 0
#define DMLERR_DATAACKTIMEOUT 0x4002
#define DMLERR_DLL_NOT_INITIALIZED 0x4003
#define DMLERR_DLL_USAGE 0x4004
#define DMLERR_INVALIDPARAMETER 0x4006
#define DMLERR_NOTPROCESSED 0x4009
#define DMLERR_NO_CONV_ESTABLISHED 0x400a
#define DMLERR_SYS_ERROR 0x400f

UINT WINAPI DdeInitializeA(LPDWORD pidInst, PFNCALLBACK pfnCallback, DWORD afCmd,
                           DWORD ulRes);
BOOL WINAPI DdeUninitialize(DWORD idInst);
UINT WINAPI DdeGetLastError(DWORD idInst);
HSZ WINAPI DdeCreateStringHandleA(DWORD idInst, LPCSTR psz, int iCodePage);
BOOL WINAPI DdeFreeStringHandle(DWORD idInst, HSZ hsz);
HCONV WINAPI DdeConnect(DWORD idInst, HSZ hszService, HSZ hszTopic, PCONVCONTEXT pCC);
BOOL WINAPI DdeDisconnect(HCONV hConv);
HDDEDATA WINAPI DdeClientTransaction(LPBYTE pData, DWORD cbData, HCONV hConv, HSZ hszItem,
                                     UINT wFmt, UINT wType, DWORD dwTimeout,
                                     LPDWORD pdwResult);
DWORD WINAPI DdeGetData(HDDEDATA hData, LPBYTE pDst, DWORD cbMax, DWORD cbOff);
BOOL WINAPI DdeFreeDataHandle(HDDEDATA hData);
