# Turns the service hosts file (ZENTARA_HOSTS_FILE) into the generated header service_hosts.h,
# exported by the INTERFACE target zentara_service_hosts.
#
# The file has one service per line, "key origin", where an origin is scheme://host[:port] with
# the scheme http or https. Blank lines and lines whose first non-blank character is "#" are
# ignored. Every key below must appear exactly once; anything else stops the configure step with
# a message naming the file and the line.

set(_zentara_host_keys manifest qr)
foreach(_n RANGE 1 8)
  list(APPEND _zentara_host_keys site${_n}.search site${_n}.detail site${_n}.home play${_n})
endforeach()

function(_zentara_hosts_fail file line message)
  if(line)
    message(FATAL_ERROR "${file}:${line}: ${message}")
  else()
    message(FATAL_ERROR "${file}: ${message}")
  endif()
endfunction()

function(zentara_generate_service_hosts hosts_file output_header)
  if(NOT EXISTS "${hosts_file}" OR IS_DIRECTORY "${hosts_file}")
    _zentara_hosts_fail("${hosts_file}" "" "service hosts file not found (ZENTARA_HOSTS_FILE)")
  endif()
  set_property(DIRECTORY "${CMAKE_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               "${hosts_file}")

  file(READ "${hosts_file}" content)
  # Characters that CMake lists treat specially would shift the line numbering; they are never
  # valid in a hosts line, so they become a marker that the line check rejects.
  string(REPLACE ";" "<invalid-character>" content "${content}")
  string(REPLACE "[" "<invalid-character>" content "${content}")
  string(REPLACE "]" "<invalid-character>" content "${content}")
  string(REPLACE "\\" "<invalid-character>" content "${content}")
  string(REPLACE "\r" "" content "${content}")
  string(REPLACE "\n" ";" lines "${content}")

  set(line_number 0)
  set(seen_keys "")
  foreach(line IN LISTS lines)
    math(EXPR line_number "${line_number} + 1")
    string(STRIP "${line}" stripped)
    if(stripped STREQUAL "" OR stripped MATCHES "^#")
      continue()
    endif()
    if(NOT stripped MATCHES "^([^ \t]+)[ \t]+([^ \t]+)$")
      _zentara_hosts_fail("${hosts_file}" ${line_number}
                          "expected \"key origin\", found \"${stripped}\"")
    endif()
    set(key "${CMAKE_MATCH_1}")
    set(origin "${CMAKE_MATCH_2}")
    if(NOT key IN_LIST _zentara_host_keys)
      _zentara_hosts_fail("${hosts_file}" ${line_number} "unknown service key \"${key}\"")
    endif()
    if(key IN_LIST seen_keys)
      _zentara_hosts_fail("${hosts_file}" ${line_number} "service key \"${key}\" given twice")
    endif()
    if(NOT origin MATCHES
       "^https?://[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?(:([0-9]+))?$")
      _zentara_hosts_fail("${hosts_file}" ${line_number}
                          "\"${origin}\" is not an origin of the form http[s]://host[:port]")
    endif()
    if(CMAKE_MATCH_3)
      if(CMAKE_MATCH_3 LESS 1 OR CMAKE_MATCH_3 GREATER 65535)
        _zentara_hosts_fail("${hosts_file}" ${line_number} "port ${CMAKE_MATCH_3} out of range")
      endif()
    endif()
    list(APPEND seen_keys "${key}")
    set(origin_of_${key} "${origin}")
  endforeach()

  foreach(key IN LISTS _zentara_host_keys)
    if(NOT key IN_LIST seen_keys)
      _zentara_hosts_fail("${hosts_file}" "" "service key \"${key}\" is missing")
    endif()
  endforeach()

  foreach(kind search detail home)
    set(entries "")
    foreach(n RANGE 1 8)
      string(APPEND entries "\n    \"${origin_of_site${n}.${kind}}\",")
    endforeach()
    set(site_${kind}_entries "${entries}")
  endforeach()
  set(play_entries "")
  foreach(n RANGE 1 8)
    string(APPEND play_entries "\n    \"${origin_of_play${n}}\",")
  endforeach()

  file(CONFIGURE OUTPUT "${output_header}" @ONLY CONTENT [=[
#pragma once

// Generated at configure time from @hosts_file@ by cmake/ServiceHosts.cmake. Do not edit.
// Origins only (scheme://host[:port]); paths and query keys stay in the program's code.

#include <array>
#include <string_view>

namespace zentara::hosts {

inline constexpr std::string_view manifest = "@origin_of_manifest@";
inline constexpr std::string_view qr = "@origin_of_qr@";
// Index 0 to 7: site1 to site8.
inline constexpr std::array<std::string_view, 8> siteSearch = {@site_search_entries@
};
inline constexpr std::array<std::string_view, 8> siteDetail = {@site_detail_entries@
};
inline constexpr std::array<std::string_view, 8> siteHome = {@site_home_entries@
};
// Index 0 to 7: play1 to play8.
inline constexpr std::array<std::string_view, 8> play = {@play_entries@
};

}  // namespace zentara::hosts
]=])
endfunction()

set(ZENTARA_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
zentara_generate_service_hosts("${ZENTARA_HOSTS_FILE}"
                               "${ZENTARA_GENERATED_DIR}/service_hosts.h")
add_library(zentara_service_hosts INTERFACE)
target_include_directories(zentara_service_hosts INTERFACE "${ZENTARA_GENERATED_DIR}")
