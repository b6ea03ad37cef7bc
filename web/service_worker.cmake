# Writes the site's service worker: web/service_worker.js with the list of the files it keeps and
# the build's id, a hash of those files' contents (and of the worker itself), so that each build
# gets a cache of its own.
#   cmake -DSOURCE=web/service_worker.js -DSITE=SITE_DIR -DFILES=a,b,c -DOUTPUT=FILE
#         -P web/service_worker.cmake
string(REPLACE "," ";" files "${FILES}")
file(SHA256 "${SOURCE}" digests)
set(quoted "'./'")
foreach(name IN LISTS files)
  file(SHA256 "${SITE}/${name}" digest)
  string(APPEND digests " ${name} ${digest}")
  string(APPEND quoted ", '${name}'")
endforeach()
string(SHA256 id "${digests}")
string(SUBSTRING "${id}" 0 16 id)

file(READ "${SOURCE}" text)
foreach(line "const buildId = 'unbuilt';" "const siteFiles = [];")
  string(FIND "${text}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${SOURCE} has no line \"${line}\" to fill in")
  endif()
endforeach()
string(REPLACE "const buildId = 'unbuilt';" "const buildId = '${id}';" text "${text}")
string(REPLACE "const siteFiles = [];" "const siteFiles = [${quoted}];" text "${text}")
file(WRITE "${OUTPUT}" "${text}")
