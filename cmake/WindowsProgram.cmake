# The Windows program (included by the top-level build for WIN32 only).
