drive.lockLevel = 2
form.SpeedLimit:type("100")
drive:set("P1510", 7000)
