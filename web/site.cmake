# Makes the site: a folder any static host serves as it is, with the page
# as index.html, its manifest and icons, its service worker, a robots.txt
# that lets search engines in, a README on hosting it, and the source map
# of the page's minified script, which only a browser's developer tools
# fetch. The PNG icons are drawn from the SVG one.
#
# index.html is the page but for its policy, which lets in what the site
# has of its own: its manifest, its worker, and the icons a browser takes
# from the manifest to install it, which it fetches as the page's images.
# The page alone keeps these out: opened from disk, WebKit takes 'self' to
# allow images from anywhere.
#
#   cmake -DPAGE=gridpin.html -DMAP=gridpin.js.map -DSOURCE=web -DRSVG=rsvg-convert -DVERSION=x.y.z -DOUT=site -P site.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
set(policy "img-src data:\">")
file(READ ${PAGE} page)
string(FIND "${page}" "${policy}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "site: ${PAGE} has no ${policy}")
endif()
string(REPLACE "${policy}" "img-src 'self' data:; manifest-src 'self'; worker-src 'self'\">" page "${page}")
# The script's last line names its map; the page alone, one file, has none.
set(end "\n</script>\n</body>")
string(FIND "${page}" "${end}" at REVERSE)
if(at EQUAL -1)
  message(FATAL_ERROR "site: ${PAGE} does not end with its script")
endif()
string(REPLACE "${end}" "\n//# sourceMappingURL=gridpin.js.map${end}" page "${page}")
file(WRITE ${OUT}/index.html "${page}")
# The map names the sources from the folder it was made in: named from the
# source folder instead, it is the same from any build folder.
get_filename_component(made_in ${MAP} DIRECTORY)
file(RELATIVE_PATH from ${made_in} ${SOURCE})
file(READ ${MAP} map)
string(REPLACE "\"${from}/" "\"" map "${map}")
string(FIND "${map}" "${from}" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "site: ${MAP} names a source outside ${SOURCE}")
endif()
# In the page the script starts a line down, after its tag's own line: one
# empty line more at the start of the mappings.
string(REPLACE "\"mappings\": \"" "\"mappings\": \";" map "${map}")
file(WRITE ${OUT}/gridpin.js.map "${map}")
file(COPY_FILE ${SOURCE}/gridpin.svg ${OUT}/icon.svg)
file(COPY_FILE ${SOURCE}/site/manifest.webmanifest ${OUT}/manifest.webmanifest)
file(COPY_FILE ${SOURCE}/site/README ${OUT}/README)
file(COPY_FILE ${SOURCE}/site/robots.txt ${OUT}/robots.txt)
foreach(size 192 512)
  execute_process(COMMAND ${RSVG} -w ${size} -h ${size} -o ${OUT}/icon-${size}.png ${SOURCE}/gridpin.svg
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
# The worker names its cache by the content of the files it keeps, so that
# any change to them, not only a new release, brings a worker of its own.
set(content "")
foreach(file index.html manifest.webmanifest icon.svg icon-192.png icon-512.png)
  file(SHA256 ${OUT}/${file} hash)
  string(APPEND content "${hash} ${file}\n")
endforeach()
string(SHA256 content "${content}")
string(SUBSTRING "${content}" 0 16 content)
file(READ ${SOURCE}/site/sw.js worker)
string(REPLACE "@GRIDPIN_CONTENT@" "${content}" worker "${worker}")
file(WRITE ${OUT}/sw.js "${worker}")
