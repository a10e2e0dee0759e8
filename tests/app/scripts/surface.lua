-- The script host end to end: properties and methods by name through dispatch, value objects of
-- the drive, events with by-reference arguments, a user's keys, and control errors as Lua errors.
local k = form.SpeedLimit
assert(#form == 13 and form[3] == k and form:focused() == form[1])
assert(k.ParamKey == "P1510" and k.parameter == 1510 and k.Value == drive:get("P1510"))

-- Properties by name in any case, converted by Basic's rules; write-only members; methods.
k.displaymode = "2"
assert(k.DisplayMode == 2 and k.Value == drive:get("P1510") * 131072 / 60, k.Text)
k.DisplayMode = 0
k.SetCaptionPosition = "1"
k.UserDescription = "Top speed"
assert(k.CaptionPosition == 1 and k.UserDescription == "Top speed" and k.EditorWidth > 0)
k:Refresh()
-- The module that holds the control's code, not the program.
assert(k.VersionStr:match("^1%.0%.124\r\n.*\\libkadrelle_core"), k.VersionStr)

-- Events: a KeyPress handler changes the character typed; Change and UpdateError reach Lua.
drive.lockLevel = 2
local log = {}
k:on("keypress", function(e) if e.KeyAscii == string.byte("9") then e.KeyAscii = string.byte("1") end end)
k:on("Change", function() log[#log + 1] = "Change " .. k.Text end)
k:on("UpdateError", function(e) log[#log + 1] = e.code .. " " .. e.description end)
-- Arguments are read back raw: a raising metamethod cannot unwind through the control.
form.NodeId:on("KeyPress", function(e)
  e.KeyAscii = nil  -- read back as Empty: 0, the key is dropped
  setmetatable(e, {__index = function() error("not reached") end})
end)
local node = form.NodeId.Text
form.NodeId:type("5")
assert(form.NodeId.Text == node, form.NodeId.Text)
k:type("29")
k:type("00")  -- one entry: a second call goes on where the first ended
k:press("Enter")
assert(drive:get("P1510") == 2100 and log[1] == "Change 2100", log[1])
k:press("PageUp", true)  -- ten steps
assert(math.abs(drive:get("P1510") - 2200) < 0.01, drive:get("P1510"))
drive.lockLevel = 0
k:press("PageDown")
assert(log[#log]:match("^30006 Speed Limit: needs lock level 1"), log[#log])
drive.lockLevel = 2

-- The focus moves like a user's Tab; leaving a box commits its entry.
form:focus("CurrentLimit")
form:type("12.5")
form:press("Tab")
assert(form:focused() == form.Acceleration and drive:get("P1511") == 12.5)

-- A value object of the drive, assigned by reference; the lock-level object; a font.
k.ValueObjRef = drive:valueObject("P1313")
assert(k.ParamKey == "P1313" and k.ValueObjRef.Key == "P1313")
k.ValueObjRef = nil  -- Nothing: the control is unbound
assert(k.ValueObjRef == nil and k.Text == "N/A")
k.ValueObjRef = drive:valueObject("P1313")
k.AppLockLevel = drive.appLock
assert(k.AppLockLevel.Level == 2)
k.Font = form.NodeId.CaptionFont
k.Font.Bold, k.Font.Size = 1, "12"
assert(form.NodeId.CaptionFont.Bold and k.Font.Size == 12 and k.Font.Name == "Arial")

-- Control errors carry their number and description.
local function fails(number, f, says)
  local ok, e = pcall(f)
  assert(not ok and e.number == number, tostring(e))
  assert(tostring(e):match("^.-surface%.lua:%d+: error " .. number .. ": " .. (says or "")), tostring(e))
end
fails(438, function() return k.NoSuchProperty end)
fails(438, function() k.Colour = 3 end, "Object doesn't support this property or method: Colour$")
fails(438, function() k.ForeColor = 1 end, ".*: ForeColor %(it cannot be assigned%)$")
fails(438, function() return k.SetPresetStyle end)
fails(438, function() form.SpeedLimit = 4500 end, "The form's members cannot be assigned: SpeedLimit")
fails(438, function() k:on("Changed", print) end)
fails(424, function() k.ValueObjRef = 3 end)
fails(6, function() k.Value = 1 / 0 end)
fails(6, function() k.Value = "1E+400" end)
fails(13, function() k.Value = "abc" end)
fails(380, function() drive.appLock.Level = 99 end)
fails(13, function() return getmetatable(drive.appLock).__index(5, "Level") end)
fails(5, function() drive:get("P9999") end)
k.DisplayMode = 7  -- the control takes it, but a form saved so would not open again
fails(380, function() form:save("/nonexistent/form.json") end, "SpeedLimit: No display mode 7")
k.DisplayMode = 0
-- A handler's error reaches the script through the call that raised the event.
k:on("Change", function() error("from the handler") end)
local ok, e = pcall(function() k.Value = 1500 end)
assert(not ok and tostring(e):match("surface%.lua:%d+: from the handler"), tostring(e))
drive:set("P1313", 2000)
drive:set("P1610", "7F")  -- text is read as the edit box reads it: hex for a hex parameter
assert(drive:get("P1610") == 127, drive:get("P1610"))
assert(k.Text == "2,000", k.Text)
form.DriveName:type("A/é😀")  -- characters without a key of their own too
assert(form.DriveName.Text == "A/é😀", form.DriveName.Text)
-- Parameter sets: exported, compared, the chosen differences applied.
local set = os.tmpname()
drive:export(set)
assert(drive:diff(set).equal)
drive:set("P1313", 3000)
local d = drive:diff(set)
assert(d.counts.changed == 1 and d.differences[1].key == "P1313" and d.differences[1].file == "2,000")
assert(#drive:apply(set, {only = {"P1313"}, dryRun = true}) == 1 and form.Acceleration.Text == "3,000")
assert(drive:apply(set)[1].after == "2,000" and drive:diff(set).equal)
os.remove(set)
print("surface ok")
