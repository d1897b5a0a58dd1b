// Device enumeration and phone-book entries of the dial-up library binding.
#include <string>
#include <vector>

#include "dialup/RasLibrary.h"
#include "platform/codepage.h"

namespace {

bool IsModemType(const std::string& type) {
  return platform::EqualsNoCase(type, "MODEM") || platform::EqualsNoCase(type, "isdn");
}

const char* PhonebookArg(const std::string& phonebook) {
  return phonebook.empty() ? nullptr : phonebook.c_str();
}

}  // namespace

bool RasLibrary::EnumDevices(std::vector<RASDEVINFOA>& devices) {
  devices.clear();
  DWORD size = 0;
  DWORD count = 0;
  rasEnumDevices_(nullptr, &size, &count);
  if (count == 0) return true;
  // A library that claims more devices than a machine has is not believed with memory.
  if (count > kMaxDevices) return false;
  devices.resize(count);
  devices[0].dwSize = sizeof(RASDEVINFOA);
  size = static_cast<DWORD>(devices.size() * sizeof(RASDEVINFOA));
  DWORD filled = count;
  if (rasEnumDevices_(devices.data(), &size, &filled) != 0) {
    devices.clear();
    return false;
  }
  // Never read past what was allocated, whatever count the library reports.
  if (filled < count) devices.resize(filled);
  return true;
}

bool RasLibrary::EnumModems(std::vector<std::string>& names) {
  std::vector<RASDEVINFOA> devices;
  if (!EnumDevices(devices)) return false;
  for (const RASDEVINFOA& device : devices) {
    if (IsModemType(dialup::FieldText(device.szDeviceType)))
      names.push_back(dialup::FieldText(device.szDeviceName));
  }
  return true;
}

int RasLibrary::CountModems() {
  std::vector<RASDEVINFOA> devices;
  if (!EnumDevices(devices)) return -1;
  int modems = 0;
  for (const RASDEVINFOA& device : devices) {
    if (IsModemType(dialup::FieldText(device.szDeviceType))) ++modems;
  }
  return modems;
}

bool RasLibrary::GetDeviceAt(int index, std::string& name, std::string& type) {
  std::vector<RASDEVINFOA> devices;
  if (!EnumDevices(devices)) return false;
  if (index < 0 || static_cast<size_t>(index) >= devices.size()) return false;
  name = dialup::FieldText(devices[index].szDeviceName);
  type = dialup::FieldText(devices[index].szDeviceType);
  return true;
}

bool RasLibrary::FindModem(const std::string& name, std::string& deviceName,
                           std::string& deviceType) {
  std::vector<RASDEVINFOA> devices;
  if (!EnumDevices(devices)) return false;
  for (size_t i = 0; i < devices.size(); ++i) {
    if (IsModemType(dialup::FieldText(devices[i].szDeviceType)) &&
        platform::EqualsNoCase(dialup::FieldText(devices[i].szDeviceName), name))
      return GetDeviceAt(static_cast<int>(i), deviceName, deviceType);
  }
  return false;
}

DWORD RasLibrary::CreateEntry(const std::string& entry, const std::string& deviceType,
                              const std::string& deviceName, DWORD netProtocols,
                              DWORD framingProtocol, const std::string& localPhoneNumber,
                              const std::string& phonebook) {
  if (rasValidateEntryName_(PhonebookArg(phonebook), entry.c_str()) == ERROR_ALREADY_EXISTS)
    return ERROR_ALREADY_EXISTS;
  RASENTRYA record{};
  record.dwSize = sizeof(RASENTRYA);
  dialup::CopyField(record.szLocalPhoneNumber, localPhoneNumber);
  record.dwfNetProtocols = netProtocols;
  record.dwFramingProtocol = framingProtocol;
  dialup::CopyField(record.szDeviceType, deviceType);
  dialup::CopyField(record.szDeviceName, deviceName);
  return rasSetEntryProperties_(PhonebookArg(phonebook), entry.c_str(), &record, sizeof(RASENTRYA),
                                nullptr, 0);
}

DWORD RasLibrary::GetEntryProperties(const std::string& entry, RASENTRYA& out,
                                     const std::string& phonebook) {
  if (rasValidateEntryName_(PhonebookArg(phonebook), entry.c_str()) != ERROR_ALREADY_EXISTS)
    return kEntryMissing;
  out.dwSize = sizeof(RASENTRYA);
  DWORD entrySize = sizeof(RASENTRYA);
  BYTE deviceInfo[1] = {};
  DWORD deviceInfoSize = 1;
  DWORD result = rasGetEntryProperties_(PhonebookArg(phonebook), entry.c_str(), &out, &entrySize,
                                        deviceInfo, &deviceInfoSize);
  if (result != 0) {
    // The first call may only have reported the sizes it wants; the counters stay as it left
    // them, but never beyond the buffers actually passed.
    if (entrySize > sizeof(RASENTRYA)) entrySize = sizeof(RASENTRYA);
    if (deviceInfoSize > sizeof(deviceInfo)) deviceInfoSize = sizeof(deviceInfo);
    result = rasGetEntryProperties_(PhonebookArg(phonebook), entry.c_str(), &out, &entrySize,
                                    deviceInfo, &deviceInfoSize);
  }
  return result;
}

DWORD RasLibrary::SetEntryOptions(const std::string& entry, DWORD mask, bool set,
                                  const std::string& areaCode, DWORD countryCode,
                                  const std::string& phonebook) {
  RASENTRYA record{};
  DWORD result = GetEntryProperties(entry, record, phonebook);
  if (result != 0) return result;
  if (set) {
    record.dwfOptions |= mask;
    if ((mask & RASEO_UseCountryAndAreaCodes) != 0) {
      record.dwCountryID = countryCode;
      record.dwCountryCode = countryCode;
      dialup::CopyField(record.szAreaCode, areaCode);
    }
  } else {
    record.dwfOptions &= ~mask;
  }
  return rasSetEntryProperties_(PhonebookArg(phonebook), entry.c_str(), &record, sizeof(RASENTRYA),
                                nullptr, 0);
}

DWORD RasLibrary::SetEntryDialParams(const std::string& entry, const std::string& userName,
                                     const std::string& password) {
  RASDIALPARAMSA params{};
  params.dwSize = sizeof(RASDIALPARAMSA);
  dialup::CopyField(params.szEntryName, entry);
  dialup::CopyField(params.szUserName, userName);
  dialup::CopyField(params.szPassword, password);
  return rasSetEntryDialParams_(nullptr, &params, FALSE);
}

DWORD RasLibrary::MakeUniqueEntryName(const std::string& base, std::string& out,
                                      const std::string& phonebook) {
  const char* book = PhonebookArg(phonebook);
  if (rasValidateEntryName_(book, base.c_str()) != ERROR_ALREADY_EXISTS) {
    out = base;
    return 0;
  }
  for (unsigned n = 1;; ++n) {
    std::string candidate = base + std::to_string(n);
    DWORD result = rasValidateEntryName_(book, candidate.c_str());
    if (result == ERROR_ALREADY_EXISTS) continue;
    if (result == 0) {
      out = candidate;
      return ERROR_ALREADY_EXISTS;
    }
    return result;
  }
}

void RasLibrary::DeleteEntry(const std::string& entry, const std::string& phonebook) {
  rasDeleteEntry_(PhonebookArg(phonebook), entry.c_str());
}
