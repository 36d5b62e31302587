"""Checks an application manifest as Windows reads it: every setting in its own namespace."""
import sys
import xml.etree.ElementTree as ET

NS = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
      "c": "urn:schemas-microsoft-com:compatibility.v1",
      "ws5": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
      "ws17": "http://schemas.microsoft.com/SMI/2017/WindowsSettings"}
OS = {"Windows 7": "35138b9a-5d96-4fbd-8e2d-a2440225f93a", "Windows 8": "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
      "Windows 8.1": "1f676c76-80e1-4239-95bb-83d0f6d0da78", "Windows 10 and 11": "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}
SETTINGS = "v3:application/v3:windowsSettings/"
# (what, path, text): the element must exist, with that text where one is given.
CHECKS = [
    ("common controls 6", "v1:dependency/v1:dependentAssembly/v1:assemblyIdentity"
     "[@name='Microsoft.Windows.Common-Controls'][@version='6.0.0.0'][@publicKeyToken='6595b64144ccf1df']", None),
    ("asInvoker", "v3:trustInfo/v3:security/v3:requestedPrivileges/v3:requestedExecutionLevel[@level='asInvoker']", None),
    ("DPI unaware", SETTINGS + "ws5:dpiAware", "false"),
    ("GDI scaling", SETTINGS + "ws17:gdiScaling", "true"),
] + [(name, "c:compatibility/c:application/c:supportedOS[@Id='{%s}']" % guid, None) for name, guid in OS.items()]

root = ET.parse(sys.argv[1]).getroot()
wrong = [what for what, path, text in CHECKS
         if (found := root.find(path, NS)) is None or (text is not None and (found.text or "").strip() != text)]
for what in wrong:
    print("manifest: no setting for", what, file=sys.stderr)
sys.exit(1 if wrong or root.tag != "{%s}assembly" % NS["v1"] else 0)
