# Checks a WAV file written by ostrel-render: RIFF/WAVE, the channel count, the bytes per
# sample and the number of frames in its data chunk.
# cmake -DWAV=file -DCHANNELS=2 -DBYTES_PER_SAMPLE=4 -DFRAMES=n -P check_wav.cmake
if(NOT EXISTS "${WAV}")
  message(FATAL_ERROR "${WAV} was not written")
endif()
file(SIZE "${WAV}" _size)

# Little-endian unsigned integer of `bytes` bytes at `offset`.
function(read_le offset bytes out)
  file(READ "${WAV}" _hex OFFSET ${offset} LIMIT ${bytes} HEX)
  set(_value 0)
  math(EXPR _last "${bytes} - 1")
  foreach(_i RANGE ${_last} 0 -1)
    math(EXPR _pos "${_i} * 2")
    string(SUBSTRING "${_hex}" ${_pos} 2 _byte)
    math(EXPR _value "${_value} * 256 + 0x${_byte}")
  endforeach()
  set(${out} ${_value} PARENT_SCOPE)
endfunction()

# Chunk names are compared as hex: text reads of binary data are not reliable.
file(READ "${WAV}" _riff LIMIT 4 HEX)
file(READ "${WAV}" _wave OFFSET 8 LIMIT 4 HEX)
if(NOT _riff STREQUAL "52494646" OR NOT _wave STREQUAL "57415645") # RIFF, WAVE
  message(FATAL_ERROR "${WAV} is not a RIFF/WAVE file")
endif()

set(_offset 12)
set(_data -1)
while(_offset LESS _size)
  file(READ "${WAV}" _id OFFSET ${_offset} LIMIT 4 HEX)
  math(EXPR _at "${_offset} + 4")
  read_le(${_at} 4 _length)
  math(EXPR _body "${_offset} + 8")
  if(_id STREQUAL "666d7420") # "fmt "
    math(EXPR _at "${_body} + 2")
    read_le(${_at} 2 _channels)
    math(EXPR _at "${_body} + 14")
    read_le(${_at} 2 _bits)
  elseif(_id STREQUAL "64617461") # "data"
    set(_data ${_length})
    break()
  endif()
  math(EXPR _offset "${_body} + ${_length} + (${_length} % 2)")
endwhile()

if(_data EQUAL -1)
  message(FATAL_ERROR "${WAV} has no data chunk")
endif()
math(EXPR _expected_bits "${BYTES_PER_SAMPLE} * 8")
if(NOT _channels EQUAL CHANNELS OR NOT _bits EQUAL _expected_bits)
  message(FATAL_ERROR "${WAV}: ${_channels} channels of ${_bits} bits, expected ${CHANNELS} of ${_expected_bits}")
endif()
math(EXPR _frames "${_data} / (${CHANNELS} * ${BYTES_PER_SAMPLE})")
if(NOT _frames EQUAL FRAMES)
  message(FATAL_ERROR "${WAV}: ${_frames} frames, expected ${FRAMES}")
endif()
message(STATUS "${WAV}: ${_frames} frames of ${_channels} x ${_bits} bits")
