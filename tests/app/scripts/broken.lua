print("this never runs")
local x = = 1
