"""Reads the resources of a PE image: the resource directory, dialog
templates (DLGTEMPLATE), string table blocks and icon groups.

Standard library only.  Every reader raises ValueError on data that does not
hold what its header says, so a damaged file fails the check instead of being
read past its end.
"""
import struct

RT_ICON, RT_BITMAP, RT_DIALOG, RT_STRING, RT_GROUP_ICON = 3, 2, 5, 6, 14
DS_SETFONT = 0x40
CLASS_ATOMS = {0x80: 'BUTTON', 0x81: 'EDIT', 0x82: 'STATIC',
               0x83: 'LISTBOX', 0x84: 'SCROLLBAR', 0x85: 'COMBOBOX'}


def _unpack(fmt, data, pos):
    if pos < 0 or pos + struct.calcsize(fmt) > len(data):
        raise ValueError('read past the end at offset %d' % pos)
    return struct.unpack_from(fmt, data, pos)


def read_resources(data):
    """Returns {(type, name, language): bytes}; a named type or name is a str."""
    if data[:2] != b'MZ':
        raise ValueError('not an MZ image')
    pe = _unpack('<I', data, 0x3C)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        raise ValueError('no PE signature')
    sections, opt_size = _unpack('<2xH12xH2x', data, pe + 4)
    opt = pe + 24
    magic = _unpack('<H', data, opt)[0]
    dirs = opt + (96 if magic == 0x10B else 112)
    res_rva, res_size = _unpack('<II', data, dirs + 2 * 8)
    table = []
    for i in range(sections):
        vsize, vaddr, rsize, raddr = _unpack('<8xIIII', data, opt + opt_size + 40 * i)
        table.append((vaddr, max(vsize, rsize), raddr))

    def offset(rva):
        for vaddr, size, raddr in table:
            if vaddr <= rva < vaddr + size:
                return raddr + rva - vaddr
        raise ValueError('RVA %#x is in no section' % rva)

    if not res_rva:
        return {}
    base = offset(res_rva)

    def entries(pos):
        named, ids = _unpack('<12xHH', data, base + pos)
        for i in range(named + ids):
            key, target = _unpack('<II', data, base + pos + 16 + 8 * i)
            if key & 0x80000000:
                length = _unpack('<H', data, base + (key & 0x7FFFFFFF))[0]
                start = base + (key & 0x7FFFFFFF) + 2
                key = data[start:start + 2 * length].decode('utf-16-le')
            yield key, target

    found = {}
    for rtype, t in entries(0):
        for name, n in entries(t & 0x7FFFFFFF):
            for lang, leaf in entries(n & 0x7FFFFFFF):
                if leaf & 0x80000000:
                    raise ValueError('directory below the language level')
                rva, size = _unpack('<II', data, base + leaf)
                start = offset(rva)
                if start + size > len(data):
                    raise ValueError('resource data past the end of the file')
                found[(rtype, name, lang)] = data[start:start + size]
    return found


def _sz_or_ord(data, pos):
    """A DLGTEMPLATE name field: '' (none), an int (ordinal) or a str."""
    first = _unpack('<H', data, pos)[0]
    if first == 0xFFFF:
        return _unpack('<H', data, pos + 2)[0], pos + 4
    end = pos
    while _unpack('<H', data, end)[0] != 0:
        end += 2
    return data[pos:end].decode('utf-16-le'), end + 2


def read_dialog(data):
    """A dict of the template's header fields and 'controls', a list of dicts
    with style, exstyle, rect, id (signed), cls, text and extra (bytes)."""
    style, exstyle, count, x, y, cx, cy = _unpack('<IIHhhhh', data, 0)
    if style & 0xFFFF0000 == 0xFFFF0000:
        raise ValueError('an extended template (DLGTEMPLATEEX)')
    menu, pos = _sz_or_ord(data, 18)
    cls, pos = _sz_or_ord(data, pos)
    caption, pos = _sz_or_ord(data, pos)
    point, face = None, None
    if style & DS_SETFONT:
        point = _unpack('<H', data, pos)[0]
        face, pos = _sz_or_ord(data, pos + 2)
    controls = []
    for _ in range(count):
        pos = (pos + 3) & ~3
        cstyle, cex, ix, iy, icx, icy, cid = _unpack('<IIhhhhh', data, pos)
        ccls, pos = _sz_or_ord(data, pos + 18)
        text, pos = _sz_or_ord(data, pos)
        extra_len = _unpack('<H', data, pos)[0]
        extra = data[pos + 2:pos + 2 + extra_len]
        pos += 2 + extra_len
        controls.append(dict(style=cstyle, exstyle=cex, rect=(ix, iy, icx, icy),
                             id=cid, text=text, extra=extra,
                             cls=CLASS_ATOMS.get(ccls, ccls) if isinstance(ccls, int)
                             else ccls.upper()))
    return dict(style=style, exstyle=exstyle, pos=(x, y), size=(cx, cy),
                menu=menu, cls=cls, caption=caption, point=point, face=face,
                controls=controls)


def read_string_block(data):
    """The sixteen strings of one RT_STRING block, in order."""
    strings, pos = [], 0
    for _ in range(16):
        length = _unpack('<H', data, pos)[0]
        if pos + 2 + 2 * length > len(data):
            raise ValueError('string past the end of its block')
        strings.append(data[pos + 2:pos + 2 + 2 * length].decode('utf-16-le'))
        pos += 2 + 2 * length
    return strings


def read_icon_group(data):
    """The entries of a GRPICONDIR as dicts (width, height, colours, planes,
    bits, size, id); a width or height of 0 stands for 256."""
    reserved, kind, count = _unpack('<HHH', data, 0)
    if reserved != 0 or kind != 1:
        raise ValueError('not an icon group')
    group = []
    for i in range(count):
        w, h, colours, _, planes, bits, size, rid = _unpack('<BBBBHHIH', data, 6 + 14 * i)
        group.append(dict(width=w or 256, height=h or 256, colours=colours,
                          planes=planes, bits=bits, size=size, id=rid))
    return group


def read_bitmap_info(data):
    """The BITMAPINFOHEADER fields at the start of a DIB."""
    names = ('size', 'width', 'height', 'planes', 'bits', 'compression',
             'image_size', 'xppm', 'yppm', 'colours_used', 'colours_important')
    return dict(zip(names, _unpack('<IiiHHIIiiII', data, 0)))
