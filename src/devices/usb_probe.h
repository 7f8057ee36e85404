// Probes of the USB enumeration tree for the product's device, identified by
// the hardware ids of VID_PID in the information file.
#pragma once

// `enumRoot` is a path below HKEY_LOCAL_MACHINE ("Enum\USB" or
// "SYSTEM\CurrentControlSet\Enum\USB").
bool FindUsbDevice(const char* enumRoot);
bool MatchesHardwareId(const char* keyName);
bool AreInterfacesSettled(const char* enumRoot);
bool ProbeInterfaceKey(const char* interfacePath, bool& interfaceSeen);
bool ProbeParentDevice(const char* interfacePath);
