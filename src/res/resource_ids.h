// The names of the program's resources: strings (IDS_), dialog templates (IDD_), pictures (IDB_),
// the icon (IDI_) and the control ids of the templates that code uses (IDC_, by template).
#pragma once

// ---- Strings ----------------------------------------------------------------------------------
// Wizard sheet and its buttons.
inline constexpr int IDS_WIZARD_CAPTION = 103;
inline constexpr int IDS_BUTTON_AGREE = 104;
inline constexpr int IDS_BUTTON_BACK = 106;
inline constexpr int IDS_BUTTON_DISAGREE = 107;
inline constexpr int IDS_BUTTON_NEXT = 109;
inline constexpr int IDS_BUTTON_YES = 162;
inline constexpr int IDS_BUTTON_NO = 163;

// Pages: questions, progress lines and errors.
inline constexpr int IDS_TERMS_QUESTION = 110;
inline constexpr int IDS_CONFIRM_QUESTION = 114;
inline constexpr int IDS_COMPLETION_MESSAGE = 120;
inline constexpr int IDS_SEX_MALE = 121;
inline constexpr int IDS_SEX_FEMALE = 122;
inline constexpr int IDS_USER_SUMMARY = 123;
inline constexpr int IDS_LAN_ONLY = 125;
inline constexpr int IDS_TERMS_FAILED = 139;
inline constexpr int IDS_SIGNUP_STARTING = 142;
inline constexpr int IDS_SIGNUP_ERROR = 143;
inline constexpr int IDS_RECOVERY_STARTING = 147;
inline constexpr int IDS_COMM_ID_REQUESTING = 155;
inline constexpr int IDS_ACCOUNT_CHECKING = 156;
inline constexpr int IDS_COMM_ID_FAILED = 157;
inline constexpr int IDS_COMM_SUMMARY = 167;
inline constexpr int IDS_SIGNUP_DONE = 168;
inline constexpr int IDS_RECOVERY_QUESTION = 171;
inline constexpr int IDS_RECOVERY_NOTICE = 172;
inline constexpr int IDS_RECOVERY_ERROR = 175;
inline constexpr int IDS_COMMUNICATION_ERROR = 176;
inline constexpr int IDS_NO_RESOURCES = 177;
inline constexpr int IDS_MAIL_ACCOUNT_FORMAT = 178;
inline constexpr int IDS_MAIL_NOTICE = 179;
inline constexpr int IDS_LAN_ITEM = 180;
inline constexpr int IDS_TERMS_DOWNLOADING = 181;
inline constexpr int IDS_TERMS_RETRY = 182;
inline constexpr int IDS_NETWORK_SUMMARY = 14021;

// Tool tips.
inline constexpr int IDS_TIP_DIALUP_DETAILS = 183;
inline constexpr int IDS_TIP_UDP = 184;
inline constexpr int IDS_TIP_TCP = 185;
inline constexpr int IDS_TIP_PROXY = 186;
inline constexpr int IDS_TIP_PROXY_ADDRESS = 187;
inline constexpr int IDS_TIP_PROXY_PORT = 188;
inline constexpr int IDS_TIP_METHOD_UNKNOWN = 189;
inline constexpr int IDS_TIP_PROXY_LOGIN = 193;
inline constexpr int IDS_TIP_MODEM = 14619;
inline constexpr int IDS_TIP_DIAL_MODE = 14620;
inline constexpr int IDS_TIP_PREFIX = 14621;
inline constexpr int IDS_TIP_ACCESS_POINT = 14622;

// Server protocol: paths, forms, headers, the user agent; the system's registration key.
inline constexpr int IDS_REGISTRATION_KEY_NT = 14002;
inline constexpr int IDS_REGISTRATION_KEY_9X = 14003;
inline constexpr int IDS_TERMS_PATH = 14004;
inline constexpr int IDS_USER_AGENT = 14009;
inline constexpr int IDS_HEADER_CONTENT_TYPE = 14010;
inline constexpr int IDS_HEADER_CONTENT_LENGTH = 14011;
inline constexpr int IDS_SIGNUP_CGI = 14013;
inline constexpr int IDS_SIGNUP_FORM = 14014;
inline constexpr int IDS_RECOVERY_CGI = 14016;
inline constexpr int IDS_RECOVERY_FORM = 14017;
inline constexpr int IDS_COMM_ID_FORM = 14019;
inline constexpr int IDS_COMM_ID_CGI = 14020;

// Deployment data: the toll-free access number and the server base URLs (the dial accounts below
// and the mail notice's domain are too; res/deployment.h sets them at install time).
inline constexpr int IDS_FREE_ACCESS_NUMBER = 14006;
inline constexpr int IDS_PROFILE_SERVER_URL = 14018;
inline constexpr int IDS_SIGNUP_SERVER_URL = 14029;
inline constexpr int IDS_SEARCH_SERVER_URL = 14030;

// Deployment data refused at start-up (res/deployment.h): the message and the reasons.
inline constexpr int IDS_DEPLOY_REFUSED = 14700;
inline constexpr int IDS_DEPLOY_NOT_URL = 14701;
inline constexpr int IDS_DEPLOY_NOT_DIALABLE = 14702;
inline constexpr int IDS_DEPLOY_EMPTY = 14703;
inline constexpr int IDS_DEPLOY_TOO_LONG = 14704;
inline constexpr int IDS_DEPLOY_CONTROL = 14705;
inline constexpr int IDS_DEPLOY_NOT_DOMAIN = 14706;
inline constexpr int IDS_DEPLOY_UNKNOWN = 14707;
inline constexpr int IDS_DEPLOY_MALFORMED = 14708;
inline constexpr int IDS_DEPLOY_NOT_TEXT = 14709;
inline constexpr int IDS_DEPLOY_DUPLICATE = 14710;
inline constexpr int IDS_DEPLOY_UNREADABLE = 14711;

// Dial-up: accounts, entry, dial pattern, messages, details dialog texts.
inline constexpr int IDS_SIGNUP_DIAL_USER = 14007;
inline constexpr int IDS_SIGNUP_DIAL_PASSWORD = 14008;
inline constexpr int IDS_RECOVERY_DIAL_USER = 14023;
inline constexpr int IDS_RECOVERY_DIAL_PASSWORD = 14024;
inline constexpr int IDS_DIAL_PLACEHOLDER = 14058;
inline constexpr int IDS_NUMBER_FIXED = 14059;
inline constexpr int IDS_NO_PREFIX = 14061;
inline constexpr int IDS_NO_MODEM_FOUND = 14603;
inline constexpr int IDS_DROP_AND_CONNECT = 14608;
inline constexpr int IDS_CONNECT_QUESTION = 14611;
inline constexpr int IDS_SIGNUP_ENTRY_NAME = 14613;
inline constexpr int IDS_SIGNUP_SERVER_NAME = 14615;
inline constexpr int IDS_MODEM_MISSING = 14618;
inline constexpr int IDS_NO_MODEM_ITEM = 14623;
inline constexpr int IDS_NO_DIALUP_LIBRARY = 14624;

// The program's own texts about its settings store: one that cannot be read at start-up (with
// the store's name and one of the three reasons), and saves that failed.
inline constexpr int IDS_STORE_UNREADABLE = 14801;
inline constexpr int IDS_STORE_NOT_OURS = 14802;
inline constexpr int IDS_STORE_DENIED = 14803;
inline constexpr int IDS_STORE_CANT_READ = 14804;
inline constexpr int IDS_ISSUED_NOT_STORED = 14805;
inline constexpr int IDS_SETTINGS_NOT_STORED = 14806;

// Connection states of a dial: the text of state s (RASCS_OpenPort..RASCS_SubEntryDisconnected)
// is IDS_RAS_STATE_FIRST + s, of the interactive states IDS_RAS_STATE_INTERACTIVE + offset.
inline constexpr int IDS_RAS_STATE_UNKNOWN = 14500;
inline constexpr int IDS_RAS_STATE_FIRST = 14501;
inline constexpr int IDS_RAS_STATE_INTERACTIVE = 14525;
inline constexpr int IDS_RAS_STATE_CONNECTED = 14529;
inline constexpr int IDS_RAS_STATE_DISCONNECTED = 14530;

// ---- Dialog templates -------------------------------------------------------------------------
inline constexpr int IDD_PROGRESS = 142;
inline constexpr int IDD_CONFIRM_PAGE = 143;
inline constexpr int IDD_COMM_INFO_PAGE = 145;
inline constexpr int IDD_START_PAGE = 146;
inline constexpr int IDD_MAIL_ACCOUNT = 147;
inline constexpr int IDD_TERMS_PAGE = 151;
inline constexpr int IDD_USER_PAGE = 152;
inline constexpr int IDD_COMM_ID_PAGE = 153;
inline constexpr int IDD_COMPLETION_PAGE = 154;
inline constexpr int IDD_DIALUP_DETAILS = 157;
inline constexpr int IDD_LAN_DETAILS = 159;

// ---- Page pictures (448 x 310, 256 colours) and the icon --------------------------------------
inline constexpr int IDB_START = 149;
inline constexpr int IDB_TERMS = 150;  // also sizes the sheet's page area
inline constexpr int IDB_USER = 151;
inline constexpr int IDB_CONFIRM = 152;
inline constexpr int IDB_COMM_INFO = 158;  // the communication page's own variant of 152
inline constexpr int IDB_COMM_ID = 153;
inline constexpr int IDB_COMPLETION = 156;
inline constexpr int IDI_APP = 128;

// ---- Controls, by template --------------------------------------------------------------------
// IDD_PROGRESS
inline constexpr int IDC_DIAL_STATUS = 1035;
inline constexpr int IDC_DIAL_HANGUP = 1037;
inline constexpr int IDC_DIAL_REDIAL = 1038;

// IDD_MAIL_ACCOUNT
inline constexpr int IDC_MAIL_NOTICE = 1101;
inline constexpr int IDC_MAIL_ACCOUNT = 1097;

// IDD_DIALUP_DETAILS
inline constexpr int IDC_DETAILS_MODEM = 1102;
inline constexpr int IDC_DETAILS_TONE = 1103;
inline constexpr int IDC_DETAILS_PULSE = 1104;
inline constexpr int IDC_DETAILS_ACCESS_POINT = 1105;
inline constexpr int IDC_DETAILS_PREFIX = 1108;
inline constexpr int IDC_DETAILS_NUMBER = 1109;

// IDD_LAN_DETAILS
inline constexpr int IDC_LAN_UDP = 1073;
inline constexpr int IDC_LAN_TCP = 1131;
inline constexpr int IDC_LAN_PROXY = 1113;
inline constexpr int IDC_LAN_ADDRESS = 1114;
inline constexpr int IDC_LAN_PORT = 1115;
inline constexpr int IDC_LAN_ADDRESS_LABEL = 1116;
inline constexpr int IDC_LAN_PORT_LABEL = 1117;
inline constexpr int IDC_LAN_USER_LABEL = 1324;
inline constexpr int IDC_LAN_USER = 1325;
inline constexpr int IDC_LAN_PASSWORD_LABEL = 1326;
inline constexpr int IDC_LAN_PASSWORD = 1327;
inline constexpr int IDC_LAN_UNKNOWN = 1124;

// IDD_START_PAGE
inline constexpr int IDC_MODE_NEW = 1086;
inline constexpr int IDC_MODE_EXISTING = 1087;
inline constexpr int IDC_MODE_RECOVERY = 1088;
inline constexpr int IDC_CONNECTION_LIST = 1089;
inline constexpr int IDC_TONE = 1090;
inline constexpr int IDC_PULSE = 1091;
inline constexpr int IDC_DETAILS = 1100;

// IDD_TERMS_PAGE
inline constexpr int IDC_TERMS_TEXT = 1059;
inline constexpr int IDC_TERMS_STATUS = 1060;

// IDD_USER_PAGE
inline constexpr int IDC_KANA = 1040;
inline constexpr int IDC_KANA2 = 1041;
inline constexpr int IDC_SEX = 1042;
inline constexpr int IDC_NAME = 1043;
inline constexpr int IDC_NAME2 = 1044;
inline constexpr int IDC_AGE = 1045;
inline constexpr int IDC_AGE2 = 1046;
inline constexpr int IDC_AGE3 = 1047;
inline constexpr int IDC_ZIP = 1048;
inline constexpr int IDC_ZIP2 = 1049;
inline constexpr int IDC_ADDRESS1 = 1050;
inline constexpr int IDC_ADDRESS2 = 1051;
inline constexpr int IDC_TEL = 1052;
inline constexpr int IDC_TEL2 = 1053;
inline constexpr int IDC_TEL3 = 1054;
inline constexpr int IDC_MEKOID = 1055;
inline constexpr int IDC_MEKOID2 = 1056;
inline constexpr int IDC_MEKOID3 = 1057;
inline constexpr int IDC_USER_LOG = 1058;
inline constexpr int IDC_ENTRYCODE = 1099;
inline constexpr int IDC_ENTRYCODE2 = 1100;

// IDD_CONFIRM_PAGE
inline constexpr int IDC_CONFIRM_LOG = 1082;
inline constexpr int IDC_CONFIRM_SUMMARY = 1083;

// IDD_COMM_ID_PAGE
inline constexpr int IDC_COMM_ID_LOG = 1061;
inline constexpr int IDC_COMM_NAME = 1062;
inline constexpr int IDC_LOGIN_ID = 1072;
inline constexpr int IDC_LOGIN_PASSWORD = 1073;

// IDD_COMM_INFO_PAGE
inline constexpr int IDC_COMM_SUMMARY = 1092;
inline constexpr int IDC_COMM_INFO_LOG = 1093;

// IDD_COMPLETION_PAGE
inline constexpr int IDC_NETWORK_SUMMARY = 1063;
inline constexpr int IDC_COMPLETION_MESSAGE = 1064;
