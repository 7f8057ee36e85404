#!/usr/bin/env python3
"""Writes a REGEDIT4 file of a large USB enumeration tree on stdout.

usage: enum_tree.py ROOT KEYS DEVICE-ID

ROOT is the key below HKEY_LOCAL_MACHINE ("Enum\\USB"). About KEYS keys in
all: other makers' devices, each a device key with three instance keys
(instance values as a set-up device has them), whose names all sort before
DEVICE-ID, then DEVICE-ID's own device key with one instance that is not
set up yet. No key of the interface functions DEVICE-ID&MI_0n exists: the
device's interfaces have not settled.
"""
import sys


def main():
    root, keys, device = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    base = "HKEY_LOCAL_MACHINE\\" + root
    out = ["REGEDIT4", ""]
    devices = (keys - 2) // 4
    for n in range(devices):
        name = "VID_%04X&PID_%04X" % (0x1000 + n // 4096, n % 4096)
        out.append("[%s\\%s]" % (base, name))
        out.append("")
        for instance in range(3):
            out.append("[%s\\%s\\5&%X&0&%d]" % (base, name, n, instance))
            out.append('"Class"="USB"')
            out.append('"ClassGUID"="{36FC9E60-C465-11CF-8056-444553540000}"')
            out.append("")
    out.append("[%s\\%s\\5&FA5F&0&1]" % (base, device))
    out.append('"Class"="USB"')
    out.append("")
    sys.stdout.write("\r\n".join(out) + "\r\n")


if __name__ == "__main__":
    main()
