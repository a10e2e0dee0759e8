form.SpeedLimit.Colour = 3
