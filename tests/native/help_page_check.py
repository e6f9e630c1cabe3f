"""Checks the help page as it stands beside the program.

    python3 help_page_check.py PAGE ENGLISH_RC JAPANESE_RC

The page must be UTF-8 that parses into balanced elements, hold an English and a Japanese
section, load nothing from elsewhere, have every in-page link land on an anchor, and name
the menus, buttons and messages exactly as the two resource libraries do.
"""
import re
import sys
from html.parser import HTMLParser

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source", "track", "wbr"}

# Texts of the program that the page quotes; both languages must match their library.
QUOTED = [
    "IDS_MENU_EXIT", "IDS_MENU_VERSION", "IDS_MENU_HELP", "IDS_MENU_WEB_PAGE", "IDS_MENU_DEVICE_LIST",
    "IDS_COLUMN_NAME", "IDS_COLUMN_DRIVE_LETTERS", "IDS_COLUMN_TYPE", "IDS_TYPE_DRIVE", "IDS_TYPE_CD_DVD",
    "IDS_NO_DEVICES", "IDS_REMOVING", "IDS_AUTORUN_LABEL", "IDS_AUTOUPDATE_LABEL",
    "IDS_ASK_CHECK_FOR_UPDATE", "IDS_NO_NEW_VERSION", "IDS_VERSION_NOTICE",
]


class Page(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.errors = []
        self.open = []          # (tag, lang)
        self.ids = set()
        self.links = []
        self.charset = None
        self.text = {}          # lang -> text
        self.sections = set()   # langs of elements that carry a lang attribute

    def lang(self):
        for _, lang in reversed(self.open):
            if lang:
                return lang
        return None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            if attrs["id"] in self.ids:
                self.errors.append("duplicate id %s" % attrs["id"])
            self.ids.add(attrs["id"])
        if tag == "meta" and "charset" in attrs:
            self.charset = attrs["charset"].lower()
        if tag in ("script", "link", "iframe", "object", "embed", "img"):
            self.errors.append("<%s> loads something: %s" % (tag, attrs))
        for name in ("src", "href", "data", "action"):
            value = (attrs.get(name) or "").strip().lower()
            if name == "href" and value.startswith("#"):
                self.links.append(value[1:])
            elif value:
                self.errors.append("%s=%r leaves the page" % (name, value))
        if "style" in attrs and "url(" in attrs["style"]:
            self.errors.append("inline style loads something")
        if "lang" in attrs:
            self.sections.add(attrs["lang"])
        if tag not in VOID:
            self.open.append((tag, attrs.get("lang")))

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag not in VOID:
            self.open.pop()

    def handle_endtag(self, tag):
        if not self.open or self.open[-1][0] != tag:
            self.errors.append("</%s> closes <%s> at line %d" % (tag, self.open[-1][0] if self.open else "nothing",
                                                                  self.getpos()[0]))
            return
        self.open.pop()

    def handle_data(self, data):
        if self.open and self.open[-1][0] == "style" and "url(" in data:
            self.errors.append("style sheet loads something")
        lang = self.lang()
        self.text[lang] = self.text.get(lang, "") + data


def rc_strings(path):
    strings = {}
    for match in re.finditer(r'^\s*(IDS_\w+),\s*"((?:[^"\\]|\\.)*)"', open(path, encoding="utf-8").read(), re.M):
        strings[match.group(1)] = match.group(2)
    return strings


def squeeze(text):
    return " ".join(text.split())


def main():
    page_path, english_rc, japanese_rc = sys.argv[1:4]
    raw = open(page_path, "rb").read()
    try:
        source = raw.decode("utf-8")
    except UnicodeDecodeError as error:
        print("%s is not UTF-8: %s" % (page_path, error))
        return 1
    page = Page()
    page.feed(source)
    page.close()
    errors = list(page.errors)
    if not source.lstrip().lower().startswith("<!doctype html>"):
        errors.append("no <!DOCTYPE html>")
    if page.open:
        errors.append("never closed: %s" % [tag for tag, _ in page.open])
    if page.charset != "utf-8":
        errors.append("no <meta charset=\"utf-8\">")
    for lang in ("en", "ja"):
        if lang not in page.sections:
            errors.append("no lang=\"%s\" section" % lang)
    for target in page.links:
        if target not in page.ids:
            errors.append("link #%s has no anchor" % target)
    for lang, rc in (("en", english_rc), ("ja", japanese_rc)):
        strings = rc_strings(rc)
        text = squeeze(page.text.get(lang, ""))
        for name in QUOTED:
            if name not in strings:
                errors.append("%s has no %s" % (rc, name))
            elif squeeze(strings[name]) not in text:
                errors.append("the %s section does not quote %s %r" % (lang, name, strings[name]))
    for error in errors:
        print(error)
    print("%s: %s" % (page_path, "%d problems" % len(errors) if errors else "fine"))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
