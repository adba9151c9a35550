#!/usr/bin/env python3
"""Uses the installed library's C interface through ctypes, as a Python
program does without any package:

    consumer.py LIBRARY        LIBRARY: the installed libvornenv.so
"""

import ctypes
import os
import sys

lib = ctypes.CDLL(sys.argv[1])
c_char_pp, c_size_p = ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t)
OK, FAILED, NOT_FOUND = 0, 1, 2
KIND_SELFREFERENCE, SEVERITY_WARNING = 5, 1


class failure(ctypes.Structure):
    # The message and the subject by pointer: they may hold a NUL byte, so
    # they are read with their sizes (c_char_p would stop at it).
    _fields_ = [("kind", ctypes.c_int), ("message", ctypes.POINTER(ctypes.c_char)),
                ("message_size", ctypes.c_size_t), ("file", ctypes.c_char_p),
                ("line", ctypes.c_size_t), ("section", ctypes.c_char_p),
                ("entry", ctypes.c_char_p), ("subject", ctypes.POINTER(ctypes.c_char)),
                ("subject_size", ctypes.c_size_t)]


failure_p = ctypes.POINTER(failure)
lib.vornenv_apply_text.argtypes = [ctypes.c_char_p, ctypes.c_size_t, ctypes.c_char_p,
                                   ctypes.POINTER(ctypes.c_void_p), ctypes.POINTER(failure_p)]
lib.vornenv_section_count.argtypes = [ctypes.c_void_p, c_size_p]
lib.vornenv_section_at.argtypes = [ctypes.c_void_p, ctypes.c_size_t,
                                   ctypes.POINTER(ctypes.c_void_p)]
lib.vornenv_section_info.argtypes = [ctypes.c_void_p, c_char_pp, c_size_p, c_size_p]
lib.vornenv_entry_at.argtypes = [ctypes.c_void_p, ctypes.c_size_t, c_char_pp, c_char_pp,
                                 c_size_p]
lib.vornenv_builder_free.argtypes = [ctypes.c_void_p]
lib.vornenv_failure_free.argtypes = [failure_p]
lib.vornenv_expand.argtypes = [ctypes.c_char_p, ctypes.POINTER(ctypes.c_void_p),
                               ctypes.POINTER(failure_p)]
lib.vornenv_free.argtypes = [ctypes.c_void_p]
handler_t = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_int, ctypes.c_char_p,
                             ctypes.c_size_t)
lib.vornenv_set_diagnostic_handler.argtypes = [handler_t, ctypes.c_void_p]

heard = []
handler = handler_t(lambda _, severity, message, size: heard.append((severity, message[:size])))
assert lib.vornenv_set_diagnostic_handler(handler, None) == OK


def apply(text, name):
    builder, fail = ctypes.c_void_p(), failure_p()
    status = lib.vornenv_apply_text(text, len(text), name, ctypes.byref(builder),
                                    ctypes.byref(fail))
    return status, builder, fail


def walk(builder):
    """Every section and entry, in file order."""
    count, sections = ctypes.c_size_t(), []
    assert lib.vornenv_section_count(builder, ctypes.byref(count)) == OK
    for i in range(count.value):
        section, name, line, entries = (ctypes.c_void_p(), ctypes.c_char_p(), ctypes.c_size_t(),
                                        ctypes.c_size_t())
        assert lib.vornenv_section_at(builder, i, ctypes.byref(section)) == OK
        assert lib.vornenv_section_info(section, ctypes.byref(name), ctypes.byref(line),
                                        ctypes.byref(entries)) == OK
        read = []
        for j in range(entries.value + 1):
            key, value, at = ctypes.c_char_p(), ctypes.c_char_p(), ctypes.c_size_t()
            status = lib.vornenv_entry_at(section, j, ctypes.byref(key), ctypes.byref(value),
                                          ctypes.byref(at))
            if j == entries.value:
                assert status == NOT_FOUND
            else:
                read.append((key.value, value.value, at.value))
        sections.append((name.value, line.value, read))
    return sections


text = "[Zeta]\nb = 2\na = 1\n[Environment]\nVORNENV_PY = π $(HOME)\n".encode()
status, builder, fail = apply(text, b"py.ini")
assert status == OK and not fail, status
assert os.environ.get("VORNENV_PY") is None  # Python's copy is taken at start
assert walk(builder) == [(b"Zeta", 1, [(b"b", b"2", 2), (b"a", b"1", 3)]),
                         (b"Environment", 4, [(b"VORNENV_PY", "π $(HOME)".encode(), 5)])]
lib.vornenv_builder_free(builder)

result = ctypes.c_void_p()
assert lib.vornenv_expand(b"$(VORNENV_PY)!", ctypes.byref(result), None) == OK
assert ctypes.string_at(result) == ("π " + os.environ["HOME"] + "!").encode()
lib.vornenv_free(result)

os.environ["VORNENV_PY_LOOP"] = "<$(VORNENV_PY_LOOP)>"  # putenv(): the library sees it
status, builder, fail = apply(b"[Environment]\n\nX = $(VORNENV_PY_LOOP)\n", b"loop.ini")
assert status == FAILED and fail, status
f = fail.contents
message = ctypes.string_at(f.message, f.message_size)
subject = ctypes.string_at(f.subject, f.subject_size)
assert (f.kind, f.file, f.line, f.section, f.entry, subject) == (
    KIND_SELFREFERENCE, b"loop.ini", 3, b"Environment", b"X", b"VORNENV_PY_LOOP"), f.kind
assert heard[-1] == (0, message) and b"refers to it's self" in message
lib.vornenv_failure_free(fail)
lib.vornenv_builder_free(builder)
assert lib.vornenv_set_diagnostic_handler(ctypes.cast(None, handler_t), None) == OK
print("python consumer ok")
