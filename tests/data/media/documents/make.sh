#!/bin/sh
# Makes the document fixtures of the document summary reader tests: Word 97
# documents and templates written by LibreOffice headless from flat ODF text
# documents whose metadata sets the summary (title, subject, author as the
# initial creator, last author as the creator, keywords, dates, editing time). LibreOffice stores the summary texts in code page
# 65001 (UTF-8) and writes no page count. Needs libreoffice-writer-nogui.
# Run from anywhere:
#   sh tests/data/media/documents/make.sh
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# fodt NAME TITLE BODY: a flat ODF text document with the summary metadata.
fodt() {
    cat >"$work/$1.fodt" <<DOC
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
  xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
  xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
  xmlns:dc="http://purl.org/dc/elements/1.1/"
  xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0"
  office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:meta>
  <dc:title>$2</dc:title>
  <dc:subject>Birds</dc:subject>
  <meta:initial-creator>Ana Núñez</meta:initial-creator>
  <dc:creator>Luis Peña</dc:creator>
  <meta:keyword>fixture</meta:keyword>
  <meta:creation-date>2021-03-04T05:06:08</meta:creation-date>
  <dc:date>2022-07-08T09:10:12</dc:date>
  <meta:editing-duration>PT1H30M0S</meta:editing-duration>
 </office:meta>
 <office:automatic-styles>
  <style:style style:name="Break" style:family="paragraph">
   <style:paragraph-properties fo:break-before="page"/>
  </style:style>
 </office:automatic-styles>
 <office:body><office:text>$3</office:text></office:body>
</office:document>
DOC
}

pages='<text:p>First page.</text:p><text:p text:style-name="Break">Second page.</text:p><text:p text:style-name="Break">Third page.</text:p>'
fodt Document-title-utf8 'Résumé of the ñandú survey' "$pages"
fodt Document-template 'Letter template' '<text:p>Dear reader,</text:p>'
printf 'Plain text with no title.\n' >"$work/Document-untitled.txt"

office() {
    soffice -env:UserInstallation="file://$work/profile" --headless --convert-to "$1" \
        --outdir . "$2" >/dev/null 2>&1
}
office doc "$work/Document-title-utf8.fodt"
office dot "$work/Document-template.fodt"
office doc "$work/Document-untitled.txt"
