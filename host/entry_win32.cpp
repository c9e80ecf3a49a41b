// Module entry of the Windows DLL (filled in with the plug-in object).
