# Writes <SITE>/sw.js from TEMPLATE: the list of the site's FILES and a build
# key, the digest of their contents together. Run with cmake -P.
set(digests "")
set(names "")
foreach(file ${FILES})
  file(SHA256 ${SITE}/${file} digest)
  string(APPEND digests "${file}:${digest}\n")
  string(APPEND names "  './${file}',\n")
endforeach()
string(SHA256 BUILD "${digests}")
string(SUBSTRING "${BUILD}" 0 16 BUILD)
set(FILES_LIST "${names}")
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
