#!/usr/bin/python3
"""Saves a workbook again through LibreOffice with a password, as a user
does with «Сохранить с паролем»: password.py IN OUT FILTER (through a
LibreOffice started with --accept on the pipe named in ZANDREL_LO_PIPE)."""
import os
import sys
import time

import uno
from com.sun.star.beans import PropertyValue


def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


resolver = uno.getComponentContext().ServiceManager.createInstanceWithContext(
    "com.sun.star.bridge.UnoUrlResolver", uno.getComponentContext())
for attempt in range(100):
    try:
        context = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % os.environ["ZANDREL_LO_PIPE"])
        break
    except Exception:
        time.sleep(0.2)
desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
document = None
for attempt in range(100):  # a first start readies its profile before it opens anything
    document = desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(sys.argv[1])), "_blank", 0,
                                            (prop("Hidden", True),))
    if document:
        break
    time.sleep(0.2)
document.storeAsURL(uno.systemPathToFileUrl(os.path.abspath(sys.argv[2])),
                    (prop("FilterName", sys.argv[3]), prop("Password", "секрет")))
document.close(True)
try:
    desktop.terminate()  # the office ends, leaving no lock on the book
except Exception:
    pass
