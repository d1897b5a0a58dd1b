// The Remote Access Service subset the dial-up code uses: ANSI structures, constants, error codes
// and the signatures of the entry points resolved at run time from "rasapi32.dll".
#pragma once

#include <cstdint>

#include "platform/win32.h"

// Declared here on every system, Windows included: the program speaks the first (Windows 95 and
// NT 4) layouts with their dwSize values, which the system's library still accepts, while the
// SDK headers of today only declare the newest ones.

// Handle of a RAS connection. The structures below keep the 32-bit Windows layouts (their sizes
// are part of the dwSize protocol), in which a handle occupies 4 bytes; the dial-up library on
// Linux therefore hands out small integer handles. A 64-bit Windows build takes the layouts of
// 64-bit Windows instead: pointer-sized handles in structures packed to 4 bytes, as the SDK
// declares them. 0 means "no connection".
#ifdef _WIN64
using HRASCONN = uintptr_t;
using RasWindowField = uintptr_t;  // a window handle or ULONG_PTR inside a structure
#pragma pack(push, 4)
#else
using HRASCONN = uint32_t;
using RasWindowField = uint32_t;
#endif
using LPHRASCONN = HRASCONN*;
using LPBOOL = BOOL*;

#define RAS_MaxEntryName 256
#define RAS_MaxDeviceType 16
#define RAS_MaxDeviceName 128
#define RAS_MaxPhoneNumber 128
#define RAS_MaxCallbackNumber RAS_MaxPhoneNumber
#define RAS_MaxAreaCode 10
#define RAS_MaxPadType 32
#define RAS_MaxX25Address 200
#define RAS_MaxFacilities 200
#define RAS_MaxUserData 200
#define RAS_MaxIpAddress 15
#define UNLEN 256
#define PWLEN 256
#define DNLEN 15

// Device types as RasEnumDevicesA reports them in szDeviceType.
#define RASDT_Modem "modem"
#define RASDT_Isdn "isdn"
#define RASDT_X25 "x25"
#define RASDT_Vpn "vpn"
#define RASDT_Pad "pad"

// RASENTRYA.dwfOptions.
#define RASEO_UseCountryAndAreaCodes 0x00000001
#define RASEO_SpecificIpAddr 0x00000002
#define RASEO_SpecificNameServers 0x00000004
#define RASEO_IpHeaderCompression 0x00000008
#define RASEO_RemoteDefaultGateway 0x00000010
#define RASEO_DisableLcpExtensions 0x00000020
#define RASEO_TerminalBeforeDial 0x00000040
#define RASEO_TerminalAfterDial 0x00000080
#define RASEO_ModemLights 0x00000100
#define RASEO_SwCompression 0x00000200
#define RASEO_RequireEncryptedPw 0x00000400
#define RASEO_RequireMsEncryptedPw 0x00000800
#define RASEO_RequireDataEncryption 0x00001000
#define RASEO_NetworkLogon 0x00002000
#define RASEO_UseLogonCredentials 0x00004000
#define RASEO_PromoteAlternates 0x00008000

// RASENTRYA.dwfNetProtocols and dwFramingProtocol.
#define RASNP_NetBEUI 0x00000001
#define RASNP_Ipx 0x00000002
#define RASNP_Ip 0x00000004
#define RASFP_Ppp 0x00000001
#define RASFP_Slip 0x00000002
#define RASFP_Ras 0x00000004

// RASDIALEXTENSIONS.dwfOptions.
#define RDEOPT_UsePrefixSuffix 0x00000001
#define RDEOPT_PausedStates 0x00000002
#define RDEOPT_IgnoreModemSpeaker 0x00000004
#define RDEOPT_SetModemSpeaker 0x00000008
#define RDEOPT_IgnoreSoftwareCompression 0x00000010
#define RDEOPT_SetSoftwareCompression 0x00000020

// The message number a RasDialFunc1 notifier receives with each progress report.
#define WM_RASDIALEVENT 0xCCCD

#define RASCS_PAUSED 0x1000
#define RASCS_DONE 0x2000

// Progress of a connection. The underlying type is fixed so that any reported value (the library
// may report one outside this list) is representable and the member stays 4 bytes.
enum RASCONNSTATE : int {
  RASCS_OpenPort = 0,
  RASCS_PortOpened = 1,
  RASCS_ConnectDevice = 2,
  RASCS_DeviceConnected = 3,
  RASCS_AllDevicesConnected = 4,
  RASCS_Authenticate = 5,
  RASCS_AuthNotify = 6,
  RASCS_AuthRetry = 7,
  RASCS_AuthCallback = 8,
  RASCS_AuthChangePassword = 9,
  RASCS_AuthProject = 10,
  RASCS_AuthLinkSpeed = 11,
  RASCS_AuthAck = 12,
  RASCS_ReAuthenticate = 13,
  RASCS_Authenticated = 14,
  RASCS_PrepareForCallback = 15,
  RASCS_WaitForModemReset = 16,
  RASCS_WaitForCallback = 17,
  RASCS_Projected = 18,
  RASCS_StartAuthentication = 19,
  RASCS_CallbackComplete = 20,
  RASCS_LogonNetwork = 21,
  RASCS_SubEntryConnected = 22,
  RASCS_SubEntryDisconnected = 23,
  RASCS_Interactive = RASCS_PAUSED,
  RASCS_RetryAuthentication = RASCS_PAUSED + 1,
  RASCS_CallbackSetByCaller = RASCS_PAUSED + 2,
  RASCS_PasswordExpired = RASCS_PAUSED + 3,
  RASCS_Connected = RASCS_DONE,
  RASCS_Disconnected = RASCS_DONE + 1,
};

// Projections RasGetProjectionInfoA can report.
enum RASPROJECTION : int {
  RASP_Amb = 0x10000,
  RASP_PppNbf = 0x803F,
  RASP_PppIpx = 0x802B,
  RASP_PppIp = 0x8021,
  RASP_Slip = 0x20000,
};

struct RASIPADDR {
  BYTE a;
  BYTE b;
  BYTE c;
  BYTE d;
};

struct RASDEVINFOA {
  DWORD dwSize;
  CHAR szDeviceType[RAS_MaxDeviceType + 1];
  CHAR szDeviceName[RAS_MaxDeviceName + 1];
};
using LPRASDEVINFOA = RASDEVINFOA*;

struct RASENTRYNAMEA {
  DWORD dwSize;
  CHAR szEntryName[RAS_MaxEntryName + 1];
};
using LPRASENTRYNAMEA = RASENTRYNAMEA*;

struct RASCONNA {
  DWORD dwSize;
  HRASCONN hrasconn;
  CHAR szEntryName[RAS_MaxEntryName + 1];
  CHAR szDeviceType[RAS_MaxDeviceType + 1];
  CHAR szDeviceName[RAS_MaxDeviceName + 1];
};
using LPRASCONNA = RASCONNA*;

struct RASCONNSTATUSA {
  DWORD dwSize;
  RASCONNSTATE rasconnstate;
  DWORD dwError;
  CHAR szDeviceType[RAS_MaxDeviceType + 1];
  CHAR szDeviceName[RAS_MaxDeviceName + 1];
};
using LPRASCONNSTATUSA = RASCONNSTATUSA*;

struct RASDIALPARAMSA {
  DWORD dwSize;
  CHAR szEntryName[RAS_MaxEntryName + 1];
  CHAR szPhoneNumber[RAS_MaxPhoneNumber + 1];
  CHAR szCallbackNumber[RAS_MaxCallbackNumber + 1];
  CHAR szUserName[UNLEN + 1];
  CHAR szPassword[PWLEN + 1];
  CHAR szDomain[DNLEN + 1];
};
using LPRASDIALPARAMSA = RASDIALPARAMSA*;

// No caller here sets hwndParent or reserved.
struct RASDIALEXTENSIONS {
  DWORD dwSize;
  DWORD dwfOptions;
  RasWindowField hwndParent;
  RasWindowField reserved;
};
using LPRASDIALEXTENSIONS = RASDIALEXTENSIONS*;

struct RASENTRYA {
  DWORD dwSize;
  DWORD dwfOptions;
  DWORD dwCountryID;
  DWORD dwCountryCode;
  CHAR szAreaCode[RAS_MaxAreaCode + 1];
  CHAR szLocalPhoneNumber[RAS_MaxPhoneNumber + 1];
  DWORD dwAlternateOffset;
  RASIPADDR ipaddr;
  RASIPADDR ipaddrDns;
  RASIPADDR ipaddrDnsAlt;
  RASIPADDR ipaddrWins;
  RASIPADDR ipaddrWinsAlt;
  DWORD dwFrameSize;
  DWORD dwfNetProtocols;
  DWORD dwFramingProtocol;
  CHAR szScript[MAX_PATH];
  CHAR szAutodialDll[MAX_PATH];
  CHAR szAutodialFunc[MAX_PATH];
  CHAR szDeviceType[RAS_MaxDeviceType + 1];
  CHAR szDeviceName[RAS_MaxDeviceName + 1];
  CHAR szX25PadType[RAS_MaxPadType + 1];
  CHAR szX25Address[RAS_MaxX25Address + 1];
  CHAR szX25Facilities[RAS_MaxFacilities + 1];
  CHAR szX25UserData[RAS_MaxUserData + 1];
  DWORD dwChannels;
  DWORD dwReserved1;
  DWORD dwReserved2;
};
using LPRASENTRYA = RASENTRYA*;

struct RASPPPIPA {
  DWORD dwSize;
  DWORD dwError;
  CHAR szIpAddress[RAS_MaxIpAddress + 1];
  CHAR szServerIpAddress[RAS_MaxIpAddress + 1];
};
using LPRASPPPIPA = RASPPPIPA*;

#ifdef _WIN64
#pragma pack(pop)
#endif

// A handle or window field is 8 bytes on 64-bit Windows, which moves RASCONNA and
// RASDIALEXTENSIONS; every other structure is the same on all systems.
constexpr bool kWin64Layout = sizeof(HRASCONN) == 8;
static_assert(sizeof(RASIPADDR) == 4, "RASIPADDR layout");
static_assert(sizeof(RASDEVINFOA) == 152, "RASDEVINFOA layout");
static_assert(sizeof(RASENTRYNAMEA) == 264, "RASENTRYNAMEA layout");
static_assert(sizeof(RASCONNA) == (kWin64Layout ? 416 : 412), "RASCONNA layout");
static_assert(sizeof(RASCONNSTATUSA) == 160, "RASCONNSTATUSA layout");
static_assert(sizeof(RASDIALPARAMSA) == 1052, "RASDIALPARAMSA layout");
static_assert(sizeof(RASDIALEXTENSIONS) == (kWin64Layout ? 24 : 16), "RASDIALEXTENSIONS layout");
static_assert(sizeof(RASENTRYA) == 1768, "RASENTRYA layout");
static_assert(sizeof(RASPPPIPA) == 40, "RASPPPIPA layout");

// Notifiers RasDialA accepts: type 0 (RasDialFunc) and type 1 (RasDialFunc1). The library calls
// them on a thread of its own.
using RASDIALFUNC = void(WINAPI*)(UINT unMsg, RASCONNSTATE rasconnstate, DWORD dwError);
using RASDIALFUNC1 = void(WINAPI*)(HRASCONN hrasconn, UINT unMsg, RASCONNSTATE rasconnstate,
                                   DWORD dwError, DWORD dwExtendedError);

// RAS error codes (the 600 range) that the dial-up code and its library produce.
#define RASBASE 600
#define ERROR_INVALID_PORT_HANDLE 601L
#define ERROR_BUFFER_TOO_SMALL 603L
#define ERROR_DEVICE_DOES_NOT_EXIST 608L
#define ERROR_BUFFER_INVALID 610L
#define ERROR_CANNOT_OPEN_PHONEBOOK 621L
#define ERROR_CANNOT_LOAD_PHONEBOOK 622L
#define ERROR_CANNOT_FIND_PHONEBOOK_ENTRY 623L
#define ERROR_CANNOT_WRITE_PHONEBOOK 624L
#define ERROR_DISCONNECTION 628L
#define ERROR_REMOTE_DISCONNECTION 629L
#define ERROR_HARDWARE_FAILURE 630L
#define ERROR_USER_DISCONNECTION 631L
#define ERROR_INVALID_SIZE 632L
#define ERROR_PORT_NOT_AVAILABLE 633L
#define ERROR_REQUEST_TIMEOUT 638L
#define ERROR_NO_CONNECTION 668L
#define ERROR_LINE_BUSY 676L
#define ERROR_VOICE_ANSWER 677L
#define ERROR_NO_ANSWER 678L
#define ERROR_NO_CARRIER 679L
#define ERROR_NO_DIALTONE 680L
#define ERROR_AUTHENTICATION_FAILURE 691L
#define ERROR_PORT_OR_DEVICE 692L
#define ERROR_PPP_TIMEOUT 718L
#define ERROR_PROJECTION_NOT_COMPLETE 730L
#define ERROR_PROTOCOL_NOT_CONFIGURED 731L
#define ERROR_CANNOT_DO_CUSTOMDIAL 755L
#define ERROR_DIAL_ALREADY_IN_PROGRESS 756L

#ifndef ERROR_INVALID_NAME
#define ERROR_INVALID_NAME 123L
#endif

// The entry points the dial-up library exports under these C names. The program never links them:
// it resolves them by name with GetProcAddress, because the library may be absent (LAN-only
// machines); the declarations fix the signatures the library and the program share.
extern "C" {
DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR lpszPhonebook, LPRASENTRYNAMEA lprasentryname,
                             LPDWORD lpcb, LPDWORD lpcEntries);
DWORD WINAPI RasEnumConnectionsA(LPRASCONNA lprasconn, LPDWORD lpcb, LPDWORD lpcConnections);
DWORD WINAPI RasGetConnectStatusA(HRASCONN hrasconn, LPRASCONNSTATUSA lprasconnstatus);
DWORD WINAPI RasHangUpA(HRASCONN hrasconn);
DWORD WINAPI RasGetErrorStringA(UINT uErrorValue, LPSTR lpszErrorString, DWORD cBufSize);
DWORD WINAPI RasDialA(LPRASDIALEXTENSIONS lpRasDialExtensions, LPCSTR lpszPhonebook,
                      LPRASDIALPARAMSA lpRasDialParams, DWORD dwNotifierType, LPVOID lpvNotifier,
                      LPHRASCONN lphRasConn);
DWORD WINAPI RasEnumDevicesA(LPRASDEVINFOA lpRasDevInfo, LPDWORD lpcb, LPDWORD lpcDevices);
DWORD WINAPI RasSetEntryPropertiesA(LPCSTR lpszPhonebook, LPCSTR lpszEntry, LPRASENTRYA lpRasEntry,
                                    DWORD dwEntryInfoSize, LPBYTE lpbDeviceInfo,
                                    DWORD dwDeviceInfoSize);
DWORD WINAPI RasGetEntryPropertiesA(LPCSTR lpszPhonebook, LPCSTR lpszEntry, LPRASENTRYA lpRasEntry,
                                    LPDWORD lpdwEntryInfoSize, LPBYTE lpbDeviceInfo,
                                    LPDWORD lpdwDeviceInfoSize);
DWORD WINAPI RasValidateEntryNameA(LPCSTR lpszPhonebook, LPCSTR lpszEntry);
DWORD WINAPI RasDeleteEntryA(LPCSTR lpszPhonebook, LPCSTR lpszEntry);
DWORD WINAPI RasSetEntryDialParamsA(LPCSTR lpszPhonebook, LPRASDIALPARAMSA lpRasDialParams,
                                    BOOL fRemovePassword);
DWORD WINAPI RasGetEntryDialParamsA(LPCSTR lpszPhonebook, LPRASDIALPARAMSA lpRasDialParams,
                                    LPBOOL lpfPassword);
DWORD WINAPI RasGetProjectionInfoA(HRASCONN hrasconn, RASPROJECTION rasprojection,
                                   LPVOID lpprojection, LPDWORD lpcb);
}

// Pointer types of the 14 entry points, for the pointers resolved with GetProcAddress.
using PFN_RasEnumEntriesA = decltype(&RasEnumEntriesA);
using PFN_RasEnumConnectionsA = decltype(&RasEnumConnectionsA);
using PFN_RasGetConnectStatusA = decltype(&RasGetConnectStatusA);
using PFN_RasHangUpA = decltype(&RasHangUpA);
using PFN_RasGetErrorStringA = decltype(&RasGetErrorStringA);
using PFN_RasDialA = decltype(&RasDialA);
using PFN_RasEnumDevicesA = decltype(&RasEnumDevicesA);
using PFN_RasSetEntryPropertiesA = decltype(&RasSetEntryPropertiesA);
using PFN_RasGetEntryPropertiesA = decltype(&RasGetEntryPropertiesA);
using PFN_RasValidateEntryNameA = decltype(&RasValidateEntryNameA);
using PFN_RasDeleteEntryA = decltype(&RasDeleteEntryA);
using PFN_RasSetEntryDialParamsA = decltype(&RasSetEntryDialParamsA);
using PFN_RasGetEntryDialParamsA = decltype(&RasGetEntryDialParamsA);
using PFN_RasGetProjectionInfoA = decltype(&RasGetProjectionInfoA);
