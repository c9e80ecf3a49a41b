-- A real host's check of the LV2 bundle, by hand (not part of tools/test.sh: it plays in real
-- time): Ardour 7 headless, with its dummy audio backend, makes a session in /tmp/ardour-ostrel,
-- loads the plug-in by its URI on a MIDI track, loads the preset "Sawpad1", plays a chord into
-- the track and prints the output meter; the session is saved (with the plug-in's state) and
-- loaded again, and a note is played once more.
--
--   cmake --install build --component lv2 && ardour7-lua tools/ardour-lv2-check.lua
local backend = AudioEngine:set_backend("None (Dummy)", "", "")
assert(backend, "no dummy backend")
os.execute("rm -rf /tmp/ardour-ostrel")
local s = create_session("/tmp/ardour-ostrel", "ostrel", 48000)
assert(s, "session not created")
local pi = ARDOUR.LuaAPI.new_plugin_info("urn:ostrel:synth", ARDOUR.PluginType.LV2)
assert(not pi:isnil(), "plugin urn:ostrel:synth not found")
print("plugin info:", pi.name, pi.unique_id)
local tl = Session:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1),
  ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2), true, pi, nil, nil, 1, "Ostrel",
  ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
local track = tl:front()
local proc = track:nth_plugin(0)
print("track:", track:name(), "plugin:", proc:display_name())
local plugin = proc:to_insert():plugin(0)
print("parameters:", plugin:parameter_count())
for _, i in ipairs({0, 28, 96, 127}) do
  local ok, desc = plugin:get_parameter_descriptor(i, ARDOUR.ParameterDescriptor())
  print(string.format("  control %d: %s = %s (%g .. %g)", i, plugin:parameter_label(i),
    tostring(ARDOUR.LuaAPI.get_processor_param(proc, i, true)), desc[2].lower, desc[2].upper))
end
local pr = plugin:preset_by_label("Sawpad1")
print("preset Sawpad1:", pr and pr.uri or "not found")
if pr then print("loaded:", plugin:load_preset(pr)) end
ARDOUR.LuaAPI.usleep(200000)
print("after the preset, control 28 (Cutoff) =", ARDOUR.LuaAPI.get_processor_param(proc, 28, true))
local mt = track
local parser = ARDOUR.RawMidiParser()
local function send(bytes)
  for _, b in ipairs(bytes) do
    if parser:process_byte(b) then
      mt:write_immediate_event(Evoral.EventType.MIDI_EVENT, parser:buffer_size(), parser:midi_buffer())
    end
  end
end
local function peak()
  local m = track:peak_meter()
  return m:meter_level(0, ARDOUR.MeterType.MeterPeak), m:meter_level(1, ARDOUR.MeterType.MeterPeak), m:meter_level(2, ARDOUR.MeterType.MeterPeak)
end
ARDOUR.LuaAPI.usleep(500000)
print(string.format("before notes: meter 0: %.1f, 1: %.1f, 2: %.1f dB", peak()))
send({0x90, 48, 100}); send({0x90, 55, 100}); send({0x90, 60, 100})
ARDOUR.LuaAPI.usleep(1500000)
print(string.format("chord held: meter 0: %.1f, 1: %.1f, 2: %.1f dB", peak()))
send({0xB0, 123, 0})
Session:save_state("", false, false, false, false, false)
close_session()

-- Loaded again: the state restores the sound.
assert(load_session("/tmp/ardour-ostrel", "ostrel"), "session not loaded")
local again = Session:route_by_name("Ostrel")
local proc2 = again:nth_plugin(0)
print("reloaded plugin:", proc2:display_name(), "Cutoff =", ARDOUR.LuaAPI.get_processor_param(proc2, 28, true))
track, mt = again, again:to_track():to_midi_track()
send({0x90, 60, 100})
ARDOUR.LuaAPI.usleep(1000000)
print(string.format("note held: meter 0: %.1f, 1: %.1f, 2: %.1f dB", peak()))
close_session()
