#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fills a .ts file in place: every message translated as its source text wrapped in ⟦ ⟧, so
that a window running on it shows at a glance which of its texts went through translation."""
import sys
import xml.etree.ElementTree as ET

path = sys.argv[1]
tree = ET.parse(path)
for message in tree.iter("message"):
    source = message.findtext("source", default="")
    translation = message.find("translation")
    if translation is None:
        translation = ET.SubElement(message, "translation")
    translation.attrib.pop("type", None)
    if message.get("numerus") == "yes":
        translation.text = None
        for child in list(translation):
            translation.remove(child)
        for _ in range(2):
            ET.SubElement(translation, "numerusform").text = "⟦" + source + "⟧"
    else:
        translation.text = "⟦" + source + "⟧"
tree.getroot().set("language", "pseudo")
tree.write(path, encoding="utf-8", xml_declaration=True)
