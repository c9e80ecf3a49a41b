// Module load on ELF platforms (filled in with the plug-in object).
