# cmake -DSITE=DIR -DTEMPLATE=sw.js.in -P make_sw.cmake: writes DIR/sw.js, the
# service worker that caches every file of the site as it now stands, its
# cache named by a hash of their names and contents.
file(GLOB files RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM files sw.js)
list(SORT files)
set(list "'./'")
set(digests "")
foreach(name ${files})
  file(SHA256 ${SITE}/${name} digest)
  string(APPEND digests "${name} ${digest}\n")
  string(APPEND list ", './${name}'")
endforeach()
string(SHA256 version "${digests}")
string(SUBSTRING ${version} 0 16 VERSION)
set(FILES ${list})
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
